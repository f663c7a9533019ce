#pragma once

#include <QDialog>
#include <QString>

class QSqlDatabase;

// The about screen `frmAbout`: title, version and a one-line description.
namespace tolvo {

// The application title and description shown on the about screen.
QString AppTitle();
QString AppDescription();
// "major.minor.revision" as plain integers ("1.01.0" -> "1.1.0"); missing
// parts count as 0.
QString VersionText(const QString& buildVersion);
// The version the program was built as.
QString BuildVersion();

class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(const QSqlDatabase* db, QWidget* parent = nullptr);
};

// Shows the about screen modally (the menu item "프로그램 정보").
void ShowFrmAbout(const QSqlDatabase* db, QWidget* parent = nullptr);

} // namespace tolvo
