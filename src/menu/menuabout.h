// MenuAbout: the about window with two pages: the software (logo, names,
// version, update check, copyright) and the signed-in account (user ID, the
// account with its middle masked, sign-out). Its buttons only emit signals,
// which the menu passes on.
// One per process (getInstance(), created hidden on first use); centred each
// time it shows, dragged by its header. GUI thread only.
#pragma once

#include <memory>
#include <QWidget>

namespace Ui {
class MenuAbout;
}

class MenuAbout : public QWidget {
    Q_OBJECT
public:
    static MenuAbout *getInstance();
    ~MenuAbout() override;

    // Each shows, activates and raises the window on that page.
    void showAccountPage();
    void showSoftwarePage();
    void setVersion(const QString &version);
    void setUserId(const QString &userId);
    // Shows the account masked by maskAccount().
    void setAccount(const QString &account);

    // A phone number keeps its first three and last four digits; an e-mail
    // address whose name (before the first "@") has L characters loses
    // 4 (L >= 7), L - 3 (4 <= L <= 6) or none (L <= 3) from index 3 on.
    static QString maskAccount(const QString &account);

signals:
    void sigCheckUpdate();
    void sigQiutLogin();

public slots:
    void onBtnClose();
    void onCheckUpdate();
    void onBtnQuitLogin();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    MenuAbout();
    void showPage(QWidget *page);
    void applyTitle();

    std::unique_ptr<Ui::MenuAbout> ui;
    QString m_version;
    QString m_account;
};
