#pragma once

#include <QLineEdit>

namespace torvane {

// The filter box above the service list: what the user types filters the rows shown (the window
// applies it); Escape clears it. A text in Arabic is laid out right to left as it is typed.
class ServiceFilterBox final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServiceFilterBox)

public:
    static constexpr const char* kPlaceholder = "Filter: part of a name, or a service ID  (Ctrl+Shift+F)";

    explicit ServiceFilterBox(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace torvane
