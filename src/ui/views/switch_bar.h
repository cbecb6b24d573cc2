#pragma once

#include <QWidget>

#include "store/service_list.h"

class QRadioButton;

namespace torvane {

// The bar above the service list with the three filter switches "TV", "Radio" and "TV/Radio"
// ("TV/Radio" checked when the bar is made).
class SwitchBar final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwitchBar)

public:
    explicit SwitchBar(QWidget* parent = nullptr);

    ServiceFilter Filter() const;
    QRadioButton* Button(ServiceFilter filter) const;

signals:
    // The user checked another switch.
    void FilterChosen(torvane::ServiceFilter filter);

private:
    QRadioButton* m_tv;
    QRadioButton* m_radio;
    QRadioButton* m_both;
};

} // namespace torvane
