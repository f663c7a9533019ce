#include "station/FrmPrint.h"
#include "widgets/DialogKeys.h"

#include "core/Sql.h"
#include "widgets/FormMode.h"
#include "core/Station.h"
#include "widgets/TextFields.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvo {

FrmPrint::FrmPrint(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("FrmPrint"));
    setWindowTitle(QStringLiteral("인쇄옵션설정"));
    build();
    m_check2->setChecked(m_st.settings.ViolationPrint);
    try {
        m_loaded = LoadPrintOptions(m_st.Db);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
    for (const PrintOptionBox& b : kPrintOptionBoxes) m_checks[b.index]->setChecked(m_loaded.flags[b.index]);
    for (size_t i = 0; i < m_txt.size(); ++i) m_txt[i]->setText(m_loaded.texts[i]);
    adjustSize();
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

FrmPrint::~FrmPrint() = default;

void FrmPrint::build()
{
    std::map<QString, QGroupBox*> groups;
    std::map<QString, QVBoxLayout*> layouts;
    auto group = [&](const QString& caption) {
        if (!groups.count(caption)) {
            auto* g = new QGroupBox(caption, this);
            groups[caption] = g;
            layouts[caption] = new QVBoxLayout(g);
        }
        return caption;
    };
    const QStringList order{QStringLiteral("자료전송 옵션"), QStringLiteral("영업정산시 출력 옵션"), QStringLiteral("영수증")};
    for (const QString& g : order) group(g);
    for (const PrintOptionBox& b : kPrintOptionBoxes) {
        const QString g = QString::fromUtf8(b.group);
        auto* c = new QCheckBox(QString::fromUtf8(b.caption), groups[g]);
        c->setObjectName(QStringLiteral("Check1_%1").arg(b.index));
        c->installEventFilter(this);
        layouts[g]->addWidget(c);
        m_checks[b.index] = c;
    }
    auto* receipt = groups[QStringLiteral("영수증")];
    auto* grid = new QGridLayout;
    for (const PrintTextBox& t : kPrintTextBoxes) {
        auto* e = new QLineEdit(receipt);
        e->setObjectName(QStringLiteral("Txt%1").arg(t.number));
        e->setMaxLength(kPrintTextMax);
        m_txt[static_cast<size_t>(t.number - 1)] = e;
        grid->addWidget(new QLabel(QString::fromUtf8(t.label), receipt), t.number - 1, 0);
        grid->addWidget(e, t.number - 1, 1);
    }
    layouts[QStringLiteral("영수증")]->addLayout(grid);

    m_check2 = new QCheckBox(QStringLiteral(" 위반차량 수신후 수신내용 인쇄"), this);
    m_check2->setObjectName(QStringLiteral("Check2"));
    auto* exit = new QPushButton(QStringLiteral("종료(&X)"), this);
    exit->setObjectName(QStringLiteral("Command1"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, &FrmPrint::exitButton);

    auto* top = new QHBoxLayout;
    top->addWidget(groups[order[0]]);
    top->addWidget(groups[order[1]]);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_check2);
    bottom->addStretch();
    bottom->addWidget(exit);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(receipt);
    main->addLayout(bottom);

    for (QLineEdit* e : m_txt) m_texts.push_back(std::make_unique<clsText>(e));
}

PrintOptions FrmPrint::options() const
{
    PrintOptions o = m_loaded;
    for (const PrintOptionBox& b : kPrintOptionBoxes) o.flags[b.index] = m_checks.at(b.index)->isChecked();
    for (size_t i = 0; i < m_txt.size(); ++i) o.texts[i] = m_txt[i]->text();
    return o;
}

void FrmPrint::exitButton()
{
    m_texts.clear();
    FrmPrint_Exit(m_st, m_txt[0]->text(), m_check2->isChecked());
    accept();
}

bool FrmPrint::eventFilter(QObject* watched, QEvent* event)
{
    if (CheckBoxEnterMovesOn(watched, event)) return true;
    return QDialog::eventFilter(watched, event);
}

void FrmPrint::done(int r)
{
    // The bound row is stored whenever the screen unloads.
    if (!m_closing) {
        m_closing = true;
        try {
            SavePrintOptions(m_st.Db, options());
        } catch (const DbError& e) {
            m_st.msgs.Msg_Box(e.message(), QStringLiteral("자료저장 오류"));
        }
    }
    QDialog::done(r);
}

void ShowFrmPrint(Station& st, QWidget* parent)
{
    FrmPrint form(st, parent);
    form.exec();
}

} // namespace tolvo
