#pragma once

#include <QDialog>

class QTreeWidget;

namespace torvane {

class CompareForm;

// "Compare": which lists were compared, then the form's three groups as a tree (each group's
// services below it, open), and a Close button.
class CompareDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompareDialog)

public:
    CompareDialog(const CompareForm& form, QWidget* parent);

    QTreeWidget* Groups() const { return m_groups; }

private:
    QTreeWidget* m_groups;
};

} // namespace torvane
