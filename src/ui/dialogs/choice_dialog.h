#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <QDialog>

class QButtonGroup;
class QRadioButton;

namespace torvane {

// One choice among options as radio buttons with OK and Cancel: "Project Select" (the three
// project types, none checked at first) and "Please select operation" ("Merge" checked, or
// "Overwrite"). Chosen() is the checked option, or nothing.
class ChoiceDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChoiceDialog)

public:
    ChoiceDialog(std::string_view caption, const std::vector<std::string>& options, std::optional<int> preset,
                 QWidget* parent);

    std::optional<int> Chosen() const;
    QRadioButton* Option(int index) const;

private:
    QButtonGroup* m_group;
};

} // namespace torvane
