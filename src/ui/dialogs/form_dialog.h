#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>

#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "editing/forms/form_state.h"
#include "ui/dialogs/dialog_support.h"

namespace torvane {

// The buttons of an edit dialog.
enum class FormButton { Ok, Cancel, Reset };

struct FormButtonEntry {
    FormButton button;
    const char* text;
};

namespace form_dialog_detail {

template <typename Control, std::size_t kCount>
constexpr std::size_t ControlCount(const FormState<Control, kCount>*)
{
    return kCount;
}

} // namespace form_dialog_detail

// The view the program, satellite and TP dialogs share over their forms: a label and a widget per
// control from top to bottom (a line edit, or a drop-down list filled from the form's choices),
// the buttons in the dialog's order. What the user types or picks goes to the form at once, and
// the form's state is shown back with the widgets' signals blocked; OK asks the form and, when a
// check failed, puts the focus where the form says with the text selected. Cancel and the close
// box tell the form how the dialog ended. The caller commits the form after exec().
template <typename Form>
class FormDialog : public QDialog {
    Q_DISABLE_COPY_MOVE(FormDialog)

public:
    using Control = std::remove_cvref_t<decltype(*std::declval<const Form&>().Focus())>;
    static constexpr std::size_t kControlCount = form_dialog_detail::ControlCount(static_cast<const Form*>(nullptr));

    // The widget of a control: a line edit, or for a list a combo box (nullptr for the other kind).
    QLineEdit* Edit(Control control) const { return qobject_cast<QLineEdit*>(m_widgets[Index(control)]); }
    QComboBox* List(Control control) const { return qobject_cast<QComboBox*>(m_widgets[Index(control)]); }
    QPushButton* Button(FormButton button) const { return m_buttons[static_cast<std::size_t>(button)]; }

    void accept() override
    {
        if (m_form.Ok()) {
            QDialog::accept();
            return;
        }
        Refresh();
        if (const std::optional<Control> focus = m_form.Focus()) {
            if (QLineEdit* edit = Edit(*focus)) {
                edit->setFocus(Qt::OtherFocusReason);
                edit->selectAll();
            }
        }
    }

    void reject() override
    {
        if (m_closing)
            m_form.CloseBox();
        else
            m_form.Cancel();
        QDialog::reject();
    }

protected:
    FormDialog(Form& form, std::string_view caption, std::initializer_list<FormButtonEntry> buttons, QWidget* parent)
        : QDialog(parent), m_form(form)
    {
        setWindowTitle(ToQString(caption));
        m_grid = new QGridLayout;
        m_grid->setHorizontalSpacing(12);
        for (std::size_t i = 0; i < kControlCount; ++i)
            AddControl(static_cast<Control>(i));
        m_grid->setColumnMinimumWidth(1, 170);

        auto* row = new QHBoxLayout;
        row->addStretch();
        for (const FormButtonEntry& entry : buttons) {
            auto* button = new QPushButton(QString::fromUtf8(entry.text), this);
            m_buttons[static_cast<std::size_t>(entry.button)] = button;
            row->addWidget(button);
            switch (entry.button) {
            case FormButton::Ok:
                button->setDefault(true);
                connect(button, &QPushButton::clicked, this, &QDialog::accept);
                break;
            case FormButton::Cancel:
                connect(button, &QPushButton::clicked, this, &QDialog::reject);
                break;
            case FormButton::Reset:
                button->setAutoDefault(false);
                connect(button, &QPushButton::clicked, this, [this] {
                    m_form.Reset();
                    Refresh();
                });
                break;
            }
        }

        auto* layout = new QVBoxLayout(this);
        layout->addLayout(m_grid);
        layout->addSpacing(8);
        layout->addLayout(row);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        Refresh();
    }

    // A note to the right of a control's widget, such as the "###.#" of the longitude.
    void AddHint(Control control, std::string_view text)
    {
        m_grid->addWidget(new QLabel(ToQString(text), this), static_cast<int>(Index(control)), 2);
    }

    void closeEvent(QCloseEvent* event) override
    {
        m_closing = true;
        QDialog::closeEvent(event);
        m_closing = false;
    }

private:
    static std::size_t Index(Control control) { return static_cast<std::size_t>(control); }

    void AddControl(Control control)
    {
        const int row = static_cast<int>(Index(control));
        auto* label = new QLabel(ToQString(Form::Label(control)), this);
        QWidget* widget = nullptr;
        if (Form::IsList(control)) {
            auto* list = new QComboBox(this);
            connect(list, &QComboBox::currentIndexChanged, this, [this, control](int index) {
                m_form.Select(control, index < 0 ? std::nullopt : std::optional<int>(index));
                Refresh();
            });
            widget = list;
        } else {
            auto* edit = new QLineEdit(this);
            if constexpr (requires { Form::kNameLength; }) {
                if (control == Control::Name)
                    edit->setMaxLength(Form::kNameLength);
            }
            connect(edit, &QLineEdit::textChanged, this, [this, control](const QString& text) {
                m_form.EditText(control, text.toStdString());
                Refresh();
            });
            widget = edit;
        }
        label->setBuddy(widget);
        m_widgets[Index(control)] = widget;
        m_grid->addWidget(label, row, 0);
        m_grid->addWidget(widget, row, 1);
    }

    // Shows the form's texts, rows, list contents and enabled states.
    void Refresh()
    {
        for (std::size_t i = 0; i < kControlCount; ++i) {
            const auto control = static_cast<Control>(i);
            QWidget* widget = m_widgets[i];
            const QSignalBlocker blocker(widget);
            widget->setEnabled(m_form.IsEnabled(control));
            if (QComboBox* list = List(control)) {
                ShowChoices(list, m_form.Choices(control));
                list->setCurrentIndex(m_form.Selection(control).value_or(-1));
            } else if (QLineEdit* edit = Edit(control)) {
                const QString text = QString::fromStdString(m_form.Text(control));
                // Setting the same text again would move the caret of the edit being typed in.
                if (edit->text() != text)
                    edit->setText(text);
                // An Arabic name is typed and read right to left.
                edit->setLayoutDirection(text.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
            }
        }
    }

    template <typename Choices>
    static void ShowChoices(QComboBox* list, const Choices& choices)
    {
        bool same = list->count() == static_cast<int>(std::size(choices));
        for (int row = 0; same && row < list->count(); ++row)
            same = list->itemText(row) == QString::fromStdString(choices[static_cast<std::size_t>(row)].text);
        if (same)
            return;
        list->clear();
        for (const auto& choice : choices)
            list->addItem(QString::fromStdString(choice.text));
    }

    Form& m_form;
    QGridLayout* m_grid = nullptr;
    std::array<QWidget*, kControlCount> m_widgets{};
    std::array<QPushButton*, 3> m_buttons{};
    bool m_closing = false;
};

} // namespace torvane
