#pragma once
#include "core/personal/profile_file.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace kestrin {

struct Catalogue;

// "MySelect.ini" in the user's documents folder: one section "PELMARQ_" + user name per user, with
// "UserPassword" and "UserSelect". A selection is one part per category joined by "|", each part the
// picked file names each followed by ",".
class SelectionStore
{
public:
    static constexpr char kFileName[] = "MySelect.ini";
    static constexpr char kSectionPrefix[] = "PELMARQ_";

    explicit SelectionStore(const QString &path) : m_path(path) {}
    const QString &path() const { return m_path; }

    // Empty when the user is not registered (or the file cannot be read).
    QByteArray password(const QByteArray &user);
    // Registers user with password and an empty selection; false with error when it cannot be written.
    bool registerUser(const QByteArray &user, const QByteArray &password, QString *error);
    // The stored selection into the catalogue: each non-empty part with a category of its own replaces
    // that category's selection; other categories keep theirs.
    void loadSelection(const QByteArray &user, Catalogue &cat);
    // Every category's selection, for user; the password and everything else in the file stay.
    bool saveSelection(const QByteArray &user, const Catalogue &cat, QString *error);

private:
    bool open(QString *error);
    QByteArray section(const QByteArray &user) const { return kSectionPrefix + user; }

    QString m_path;
    ProfileFile m_file;
};

// The "UserSelect" text of the catalogue's selections, and the lists one part of it holds.
QByteArray selectionText(const Catalogue &cat);
QList<QByteArray> selectionNames(QByteArrayView part);

// Why a user name cannot be used, or empty when it can: names that would break the file's layout
// ("[", "]", "=", line breaks and other control characters) are refused.
QString userNameProblem(const QString &name);
// The same for a password: line breaks and other control characters would break its line.
QString passwordProblem(const QString &password);

} // namespace kestrin
