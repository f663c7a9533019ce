#include "widgets/FrmAbout.h"
#include "widgets/DialogKeys.h"

#include "widgets/FormMode.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSqlDatabase>
#include <QVBoxLayout>

#ifndef TOLVO_VERSION
#define TOLVO_VERSION "0.0.0"
#endif

namespace tolvo {

QString AppTitle() { return QStringLiteral("Tarvola"); }

QString AppDescription() { return QStringLiteral("주차관리 시스템"); }

QString BuildVersion() { return QStringLiteral(TOLVO_VERSION); }

QString VersionText(const QString& buildVersion)
{
    const QStringList parts = buildVersion.split(u'.');
    QStringList out;
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const int n = i < parts.size() ? parts[i].trimmed().toInt(&ok) : 0;
        out << QString::number(ok ? n : 0);
    }
    return out.join(u'.');
}

namespace {

QPixmap programIcon()
{
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 70, 170));
    p.drawRoundedRect(QRectF(2, 2, 44, 44), 8, 8);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(30);
    p.setFont(f);
    p.drawText(QRectF(2, 2, 44, 44), Qt::AlignCenter, QStringLiteral("P"));
    return pm;
}

QLabel* label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

} // namespace

FrmAbout::FrmAbout(const QSqlDatabase* db, QWidget* parent) : QDialog(parent)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(AppTitle() + QStringLiteral(" 정보"));
    auto* icon = label(this, "picIcon", {});
    icon->setPixmap(programIcon());
    auto* title = label(this, "lblTitle", QStringLiteral("Title :   ") + AppTitle());
    auto* version = label(this, "lblVersion", QStringLiteral("Version : ") + VersionText(BuildVersion()));
    auto* description = label(this, "lblDescription", AppDescription());
    auto* ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addWidget(description);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* main = new QVBoxLayout(this);
    main->addLayout(row);
    main->addLayout(buttons);

    adjustSize();
    CentreOnScreen(*this);
    if (db) ApplyFormMode(*db, *this);
}

void ShowFrmAbout(const QSqlDatabase* db, QWidget* parent)
{
    FrmAbout form(db, parent);
    form.exec();
}

} // namespace tolvo
