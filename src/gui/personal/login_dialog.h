#pragma once
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrin {

class Prompts;
class SelectionStore;

// "登陆专区": a user name, a password and a four-digit code drawn each time the dialog shows. A new name
// is registered; a known one logs in with its password (its stored picks come back with the zone).
class LoginDialog : public QDialog
{
    Q_OBJECT
public:
    LoginDialog(Prompts &prompts, SelectionStore &store, std::function<int()> drawCode, QWidget *parent = nullptr);

    QLineEdit *nameEdit() const { return m_name; }
    QLineEdit *passwordEdit() const { return m_password; }
    QLineEdit *codeEdit() const { return m_code; }
    QLabel *codeLabel() const { return m_codeLabel; }
    QPushButton *okButton() const { return m_ok; }
    QPushButton *cancelButton() const { return m_cancel; }

    // After an accepted login: the user (GBK, as typed and trimmed) and the password.
    QByteArray userName() const { return m_userName; }
    QByteArray password() const { return m_userPassword; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void confirm();
    void finishRegistration(const QString &name, const QString &password);

    Prompts &m_prompts;
    SelectionStore &m_store;
    std::function<int()> m_drawCode;
    QLineEdit *m_name;
    QLineEdit *m_password;
    QLineEdit *m_code;
    QLabel *m_codeLabel;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QByteArray m_userName;
    QByteArray m_userPassword;
};

} // namespace kestrin
