#include "station/FrmWorkMan.h"
#include "widgets/DialogKeys.h"

#include "widgets/FormMode.h"
#include "core/Station.h"
#include "widgets/TextFields.h"

#include <QApplication>
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

namespace {

QWidget* mainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QStringLiteral("main")) return w;
    return nullptr;
}

} // namespace

FrmWorkMan::FrmWorkMan(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    IgnoreEscape(*this);
    setObjectName(QStringLiteral("FrmWorkMan"));
    setWindowTitle(QStringLiteral("근무자관리"));
    build();
    try {
        m_loaded = LoadWorkMan(m_st.Db);
    } catch (const std::exception& e) {
        m_st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
    }
    showData(m_loaded);
    const auto it = m_loaded.options.find(kForcedModeBox);
    m_forcedAtOpening = it != m_loaded.options.end() && it->second;
    adjustSize();
    CentreOnScreen(*this);
    ApplyFormMode(m_st, *this);
}

FrmWorkMan::~FrmWorkMan() = default;

void FrmWorkMan::build()
{
    m_txt.assign(12, nullptr);
    auto makeCheck = [this](QWidget* parent, int index, const QString& caption) {
        auto* c = new QCheckBox(caption, parent);
        c->setObjectName(QStringLiteral("Check1_%1").arg(index));
        c->installEventFilter(this);
        m_checks[index] = c;
        return c;
    };

    auto* workers = new QGroupBox(QStringLiteral("근무자 비밀번호및 권한설정"), this);
    auto* wl = new QGridLayout(workers);
    for (int w = 0; w < 5; ++w) {
        const int nameBox = 2 * w + 1;
        const int pwBox = 2 * w + 2;
        auto* name = new QLineEdit(workers);
        name->setObjectName(QStringLiteral("Txt%1").arg(nameBox));
        name->setMaxLength(10);
        name->setMinimumWidth(110);
        auto* pw = new QLineEdit(workers);
        pw->setObjectName(QStringLiteral("Txt%1").arg(pwBox));
        pw->setMaxLength(6);
        pw->setMinimumWidth(80);
        m_txt[static_cast<size_t>(nameBox)] = name;
        m_txt[static_cast<size_t>(pwBox)] = pw;
        wl->addWidget(new QLabel(QStringLiteral("근무자명 :"), workers), w, 0);
        wl->addWidget(name, w, 1);
        wl->addWidget(new QLabel(QStringLiteral("비밀번호 :"), workers), w, 2);
        wl->addWidget(pw, w, 3);
        for (int r = 0; r < 6; ++r)
            wl->addWidget(makeCheck(workers, kRightBoxes[static_cast<size_t>(w)][static_cast<size_t>(r)],
                                    QString::fromUtf8(kRightCaptions[static_cast<size_t>(r)])),
                          w, 4 + r);
    }
    auto* admin = new QLineEdit(workers);
    admin->setObjectName(QStringLiteral("Txt11"));
    admin->setMaxLength(6);
    admin->setEchoMode(QLineEdit::Password);
    admin->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // "*", not the style's dot
    m_txt[11] = admin;
    wl->addWidget(new QLabel(QStringLiteral("관리자 비밀번호 :"), workers), 5, 0, 1, 2);
    wl->addWidget(admin, 5, 2, 1, 2);

    auto* screen = new QGroupBox(QStringLiteral("주화면설정"), this);
    auto* sl = new QGridLayout(screen);
    int n = 0;
    for (const ScreenOptionBox& b : kScreenOptionBoxes) {
        sl->addWidget(makeCheck(screen, b.index, QString::fromUtf8(b.field)), n / 4, n % 4);
        ++n;
    }
    connect(m_checks[kAutoRunBox], &QCheckBox::clicked, this,
            [this](bool ticked) { WorkMan_AutoRunClicked(m_st, ticked); });

    auto* exit = new QPushButton(QStringLiteral("종료(E&xit)"), this);
    exit->setObjectName(QStringLiteral("Command1"));
    exit->setAutoDefault(false);
    connect(exit, &QPushButton::clicked, this, [this] {
        m_texts.clear();
        accept();
    });

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(exit);
    auto* main = new QVBoxLayout(this);
    main->addWidget(workers);
    main->addWidget(screen);
    main->addLayout(bottom);

    attachTexts();
}

void FrmWorkMan::attachTexts()
{
    if (!m_texts.empty()) return;
    for (int i = 1; i <= 11; ++i) m_texts.push_back(std::make_unique<clsText>(m_txt[static_cast<size_t>(i)]));
}

void FrmWorkMan::showData(const WorkManData& d)
{
    for (int w = 0; w < 5; ++w) {
        const WorkerEntry& e = d.workers[static_cast<size_t>(w)];
        m_txt[static_cast<size_t>(2 * w + 1)]->setText(e.name);
        m_txt[static_cast<size_t>(2 * w + 2)]->setText(e.password);
        for (int r = 0; r < 6; ++r)
            m_checks[kRightBoxes[static_cast<size_t>(w)][static_cast<size_t>(r)]]->setChecked(e.rights[static_cast<size_t>(r)]);
        for (QWidget* box : {static_cast<QWidget*>(m_txt[static_cast<size_t>(2 * w + 1)]),
                             static_cast<QWidget*>(m_txt[static_cast<size_t>(2 * w + 2)])})
            box->setEnabled(e.present);
    }
    m_txt[11]->setText(d.adminPassword);
    m_txt[11]->setEnabled(d.adminPresent);
    for (const ScreenOptionBox& b : kScreenOptionBoxes) {
        const auto it = d.options.find(b.index);
        m_checks[b.index]->setChecked(it != d.options.end() && it->second);
        m_checks[b.index]->setEnabled(d.optionsPresent);
    }
}

WorkManData FrmWorkMan::data() const
{
    WorkManData d = m_loaded;
    for (int w = 0; w < 5; ++w) {
        WorkerEntry& e = d.workers[static_cast<size_t>(w)];
        e.name = m_txt[static_cast<size_t>(2 * w + 1)]->text();
        e.password = m_txt[static_cast<size_t>(2 * w + 2)]->text();
        for (int r = 0; r < 6; ++r)
            e.rights[static_cast<size_t>(r)] =
                m_checks.at(kRightBoxes[static_cast<size_t>(w)][static_cast<size_t>(r)])->isChecked();
    }
    d.adminPassword = m_txt[11]->text();
    for (const ScreenOptionBox& b : kScreenOptionBoxes) d.options[b.index] = m_checks.at(b.index)->isChecked();
    return d;
}

bool FrmWorkMan::eventFilter(QObject* watched, QEvent* event)
{
    if (CheckBoxEnterMovesOn(watched, event)) return true;
    return QDialog::eventFilter(watched, event);
}

void FrmWorkMan::done(int r)
{
    if (!m_closing) {
        m_closing = true;
        m_closeResult = WorkMan_Close(m_st, data(), m_forcedAtOpening);
        if (m_closeResult == WorkManClose::StayOpen) {
            m_closing = false;
            attachTexts();
            return;
        }
        if (m_closeResult == WorkManClose::Reload) {
            if (QWidget* main = mainWindow()) ApplyFormMode(m_st, *main);
        }
    }
    QDialog::done(r);
}

void ShowFrmWorkMan(Station& st, QWidget* parent)
{
    FrmWorkMan form(st, parent);
    form.exec();
    // The station is already shut down: the worker starts the program again.
    if (form.closeResult() == WorkManClose::Restart) QCoreApplication::exit(0);
}

} // namespace tolvo
