// TAboutForm: the about window with the program's name, version and two links.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QLabel;
class QPushButton;

// The program's name and version as the about window shows it; the support
// mail's subject is the same text.
inline constexpr const char* QuillonVersionText = "Quillon 4.100";
inline constexpr const char* QuillonWebsite = "https://quillon.example.org/";
inline constexpr const char* QuillonSupportMail = "support@quillon.example.org";

// How the links hand an address to the desktop; platform::ShellOpen unless a
// test puts a recorder here. The result is ignored.
extern std::function<bool(const std::string& address)> AboutShellOpen;

class TAboutForm : public QDialog {
    Q_OBJECT

public:
    // Client area at 96 dots per inch; a larger platform font may widen it.
    static constexpr int ClientWidth = 319;
    static constexpr int ClientHeight = 134;

    explicit TAboutForm(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* Image1;
    QLabel* lblAppName;
    QLabel* lblNotice;
    QLabel* stWebsite;
    QLabel* stSupport;
    QPushButton* btnOK;

    void FormShow();
    void LinkMouseEnter(QLabel* link);
    void LinkMouseLeave(QLabel* link);
    void stWebsiteClick();
    void stSupportClick();
};
