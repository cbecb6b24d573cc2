#include "ui/views/switch_bar.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QRadioButton>

namespace torvane {

SwitchBar::SwitchBar(QWidget* parent)
    : QWidget(parent), m_tv(new QRadioButton(tr("TV"), this)), m_radio(new QRadioButton(tr("Radio"), this)),
      m_both(new QRadioButton(tr("TV/Radio"), this))
{
    auto* group = new QButtonGroup(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(24);
    for (QRadioButton* button : {m_tv, m_radio, m_both}) {
        group->addButton(button);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    m_both->setChecked(true);
    connect(group, &QButtonGroup::buttonToggled, this, [this](QAbstractButton* button, bool checked) {
        if (checked)
            emit FilterChosen(button == m_tv ? ServiceFilter::Tv
                              : button == m_radio ? ServiceFilter::Radio
                                                  : ServiceFilter::TvAndRadio);
    });
}

ServiceFilter SwitchBar::Filter() const
{
    if (m_tv->isChecked())
        return ServiceFilter::Tv;
    return m_radio->isChecked() ? ServiceFilter::Radio : ServiceFilter::TvAndRadio;
}

QRadioButton* SwitchBar::Button(ServiceFilter filter) const
{
    switch (filter) {
    case ServiceFilter::Tv:
        return m_tv;
    case ServiceFilter::Radio:
        return m_radio;
    case ServiceFilter::TvAndRadio:
        break;
    }
    return m_both;
}

} // namespace torvane
