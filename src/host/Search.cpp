#include "host/Search.h"

#include "host/HostSearch.h"
#include "widgets/FormMode.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvo {

namespace {

const char16_t* const Captions[] = {u"태그번호 :", u"차량번호 :", u"이      름 :", u"차      종 :",
                                    u"만 료  일 :", u"입출상태 :", u"최근입차 :", u"특이사항 :"};

template <class W>
W* named(W* w, const QString& name)
{
    w->setObjectName(name);
    return w;
}

} // namespace

Search::Search(Station& st, QWidget* parent) : QDialog(parent), m_st(st)
{
    setObjectName(QStringLiteral("Search"));
    setWindowTitle(QStringLiteral("추가 기능 관리자"));

    auto* tag = named(new QLineEdit(this), QStringLiteral("Text1"));
    auto* tagSearch = named(new QPushButton(QStringLiteral("태그번호로 검색"), this), QStringLiteral("TAGSearch"));
    auto* car = named(new QLineEdit(this), QStringLiteral("Text2"));
    auto* carSearch = named(new QPushButton(QStringLiteral("차량번호로 검색"), this), QStringLiteral("Command1"));
    auto* status = named(new QLabel(this), QStringLiteral("Label1"));
    auto* close = named(new QPushButton(QStringLiteral("확인"), this), QStringLiteral("CancelButton"));

    auto* queries = new QGridLayout;
    queries->addWidget(tag, 0, 0);
    queries->addWidget(tagSearch, 0, 1);
    queries->addWidget(car, 1, 0);
    queries->addWidget(carSearch, 1, 1);
    auto* values = new QGridLayout;
    for (int n = 0; n < 8; ++n) {
        values->addWidget(named(new QLabel(QString::fromUtf16(Captions[n]), this),
                                QStringLiteral("LblTitle_%1").arg(n)), n, 0);
        values->addWidget(named(new QLabel(this), QStringLiteral("LblTitle_%1").arg(8 + n)), n, 1);
    }
    values->setColumnStretch(1, 1);
    auto* main = new QVBoxLayout(this);
    main->addLayout(queries);
    main->addWidget(status);
    main->addLayout(values);
    main->addWidget(close, 0, Qt::AlignRight);

    connect(carSearch, &QPushButton::clicked, this, [this, car, status] {
        status->setText(QStringLiteral("잠시만 기다리세요 검색중입니다....."));
        SendSearchRequest(m_st, QStringLiteral("CAR_SEARCH"), car->text());
    });
    connect(tagSearch, &QPushButton::clicked, this, [this, tag, status] {
        status->setText(QStringLiteral("잠시만 기다리세요 검색중입니다....."));
        SendSearchRequest(m_st, QStringLiteral("TAG_SEARCH"), tag->text());
    });
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    adjustSize();
    CentreOnScreen(*this);
    ApplyFormMode(st, *this);
}

} // namespace tolvo
