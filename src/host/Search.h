#pragma once

#include <QDialog>

// The search screen `Search`: asks the host for a car by its tag number or its
// car number. Nothing in the station opens it.
namespace tolvo {

struct Station;

class Search : public QDialog {
    Q_OBJECT
public:
    explicit Search(Station& st, QWidget* parent = nullptr);

private:
    Station& m_st;
};

} // namespace tolvo
