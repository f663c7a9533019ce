#include "database/FrmDbase.h"
#include "widgets/DialogKeys.h"

#include "database/FrmDbaseLogic.h"
#include "widgets/FormMode.h"
#include "core/Station.h"
#include "widgets/TextFields.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvo {

namespace {

// The box covers the label's blanks between "자료보관기간 :" and "개월".
void placeInGap(QLabel& label, QLineEdit& box)
{
    const QFontMetrics fm(label.font());
    const int start = fm.horizontalAdvance(QStringLiteral("자료보관기간 : "));
    const int end = fm.horizontalAdvance(QStringLiteral("자료보관기간 :            "));
    const int height = box.sizeHint().height();
    label.setMinimumSize(fm.horizontalAdvance(label.text()), height);
    box.setGeometry(start, 0, end - start, height);
}

} // namespace

FrmDbase::FrmDbase(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("frmDbase"));
    setWindowTitle(QStringLiteral("데이터베이스 관리"));

    auto* label2 = new QLabel(QStringLiteral("자료보관기간 :             개월"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    m_txt1 = new QLineEdit(label2);
    m_txt1->setObjectName(QStringLiteral("Txt1"));
    placeInGap(*label2, *m_txt1);
    m_ntext = std::make_unique<clsNtext>(m_txt1);
    m_txt1->setText(RetentionText(m_st));

    auto* frame = new QGroupBox(QStringLiteral("자료초기화"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(frame);
    const auto& buttons = DbaseClearButtons();
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
        auto* b = new QPushButton(QString::fromUtf8(buttons[static_cast<size_t>(i)].caption), frame);
        b->setObjectName(QStringLiteral("Command1_%1").arg(i));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, i] { FrmDbase_Clear(m_st, i); });
        grid->addWidget(b, i / 2, i % 2);
    }

    auto* ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &FrmDbase::confirm);

    auto* retention = new QHBoxLayout;
    retention->addWidget(label2);
    retention->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(ok);
    auto* main = new QVBoxLayout(this);
    main->addLayout(retention);
    main->addWidget(frame);
    main->addLayout(bottom);

    adjustSize();
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

FrmDbase::~FrmDbase() = default;

void FrmDbase::confirm()
{
    if (!FrmDbase_StoreRetention(m_st, m_txt1->text())) {
        m_txt1->setFocus();
        return; // the screen stays open
    }
    m_ntext.reset();
    accept();
}

void ShowFrmDbase(Station& st, QWidget* parent)
{
    FrmDbase form(st, parent);
    form.exec();
}

} // namespace tolvo
