#pragma once

#include <memory>
#include <span>

#include <QAbstractScrollArea>
#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QString>

#include "editing/session/context_menu.h"

namespace torvane {

// A popup menu built from the core's entries and state: the entries' texts in order, separators
// where the core has them, greyed commands disabled. Each action carries its entry's index as data.
// Nothing when the state hides the menu.
template <typename Command>
std::unique_ptr<QMenu> BuildPopupMenu(std::span<const MenuEntry<Command>> entries, const MenuState<Command>& state,
                                      QWidget* parent)
{
    if (!state.IsShown())
        return nullptr;
    auto menu = std::make_unique<QMenu>(parent);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry<Command>& entry = entries[i];
        if (entry.IsSeparator()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(entry.caption.data(), static_cast<int>(entry.caption.size())));
        action->setData(static_cast<int>(i));
        action->setEnabled(state.IsEnabled(*entry.command));
    }
    return menu;
}

// Shift+F10 or the menu key asks the view for its context menu from the keyboard, as a right
// click would with the mouse. True when the key was one of them.
inline bool OpenContextMenuForKey(QAbstractScrollArea& view, QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (!(event.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)
        && !(event.key() == Qt::Key_Menu && modifiers == Qt::NoModifier))
        return false;
    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(), QPoint());
    QCoreApplication::sendEvent(view.viewport(), &menuEvent);
    event.accept();
    return true;
}

// The command of an action of such a menu, or nothing (no action chosen).
template <typename Command>
std::optional<Command> PopupMenuCommand(std::span<const MenuEntry<Command>> entries, const QAction* chosen)
{
    // Actions added to the menu besides the entries carry no index.
    if (!chosen || !chosen->data().isValid())
        return std::nullopt;
    const int index = chosen->data().toInt();
    return index >= 0 && static_cast<std::size_t>(index) < entries.size() ? entries[static_cast<std::size_t>(index)].command
                                                                         : std::nullopt;
}

} // namespace torvane
