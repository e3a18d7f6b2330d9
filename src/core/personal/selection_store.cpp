#include "core/personal/selection_store.h"

#include "core/catalogue/catalogue.h"
#include "core/catalogue/gbk.h"
#include "core/catalogue/records.h"

#include <algorithm>

namespace kestrin {

bool SelectionStore::open(QString *error) { return m_file.load(m_path, error); }

QByteArray SelectionStore::password(const QByteArray &user)
{
    return open(nullptr) ? m_file.value(section(user), "UserPassword") : QByteArray();
}

bool SelectionStore::registerUser(const QByteArray &user, const QByteArray &password, QString *error)
{
    if (!open(error))
        return false;
    if (!m_file.setValue(section(user), "UserPassword", password) || !m_file.setValue(section(user), "UserSelect", "")) {
        if (error)
            *error = QStringLiteral("用户名或密码含有换行");
        return false;
    }
    return m_file.save(error);
}

void SelectionStore::loadSelection(const QByteArray &user, Catalogue &cat)
{
    if (!open(nullptr))
        return;
    const QByteArray value = m_file.value(section(user), "UserSelect");
    if (value.isEmpty())
        return;
    const QList<QByteArray> parts = splitString(value, "|");
    for (qsizetype i = 0; i < parts.size() && i < cat.count(); ++i) {
        if (!parts[i].isEmpty())
            cat.categories[size_t(i)].selection = selectionNames(parts[i]);
    }
}

bool SelectionStore::saveSelection(const QByteArray &user, const Catalogue &cat, QString *error)
{
    if (!open(error))
        return false;
    if (!m_file.setValue(section(user), "UserSelect", selectionText(cat))) {
        if (error)
            *error = QStringLiteral("所选图纸名含有换行");
        return false;
    }
    return m_file.save(error);
}

QByteArray selectionText(const Catalogue &cat)
{
    QByteArray value;
    for (int i = 0; i < cat.count(); ++i) {
        if (i > 0)
            value += '|';
        for (const QByteArray &name : cat.categories[size_t(i)].selection)
            value += name + ',';
    }
    return value;
}

QList<QByteArray> selectionNames(QByteArrayView part)
{
    QList<QByteArray> names;
    for (const QByteArray &name : splitString(part, ",")) {
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

namespace {

bool isControl(QChar ch) { return ch.unicode() < 0x20 || ch.unicode() == 0x7F; }

// The file is GBK: a text it cannot hold would come back as another text.
bool fitsGbk(const QString &text) { return gbk::decode(gbk::encode(text)) == text; }

} // namespace

QString userNameProblem(const QString &name)
{
    for (const QChar ch : name) {
        if (ch == u'[' || ch == u']' || ch == u'=' || isControl(ch))
            return QStringLiteral("用户名不能包含 [ ] = 、换行或控制字符！");
    }
    if (!fitsGbk(name))
        return QStringLiteral("用户名含有无法保存的字符，请换一个用户名！");
    return {};
}

QString passwordProblem(const QString &password)
{
    if (std::any_of(password.cbegin(), password.cend(), isControl))
        return QStringLiteral("密码不能包含换行或控制字符！");
    if (!fitsGbk(password))
        return QStringLiteral("密码含有无法保存的字符，请换一个密码！");
    return {};
}

} // namespace kestrin
