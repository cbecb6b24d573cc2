// The main window's commands for organising the service list: the Edit menu's "Sort" submenu,
// "Set for Selected...", "Find Duplicates" and the filter box.

#include <QMenu>
#include <QStatusBar>

#include "document/document.h"
#include "editing/forms/set_for_selected_form.h"
#include "editing/organise/duplicate_finder.h"
#include "editing/session/edit_session.h"
#include "ui/main_window.h"
#include "ui/models/service_list_model.h"
#include "ui/views/service_filter_box.h"
#include "ui/views/service_list_view.h"
#include "ui/window_dialogs.h"

namespace torvane {

namespace {

constexpr int kStatusMessageMs = 8000;

} // namespace

void MainWindow::BuildOrganiseMenu(QMenu* edit)
{
    const auto add = [this](QMenu* menu, WindowCommand command, const QString& text, const QKeySequence& key,
                            const QString& tip) {
        QAction* action = menu->addAction(text);
        action->setShortcut(key);
        action->setStatusTip(tip);
        m_actions.emplace_back(command, action);
        return action;
    };
    edit->addSeparator();
    m_sortMenu = edit->addMenu(tr("S&ort"));
    const std::pair<WindowCommand, SortKey> sorts[] = {{WindowCommand::SortByName, SortKey::Name},
                                                       {WindowCommand::SortByServiceId, SortKey::ServiceId},
                                                       {WindowCommand::SortByType, SortKey::Type},
                                                       {WindowCommand::SortByTp, SortKey::Tp}};
    const QString texts[] = {tr("By &Name"), tr("By Service &ID"), tr("By &Type (TV before Radio)"),
                             tr("By T&P (satellite, frequency, polarisation)")};
    for (std::size_t i = 0; i < std::size(sorts); ++i) {
        QAction* action = add(m_sortMenu, sorts[i].first, texts[i], {}, tr("Sort the services of the list"));
        connect(action, &QAction::triggered, this, [this, key = sorts[i].second] { SortList(key); });
    }
    m_sortMenu->addSeparator();
    add(m_sortMenu, WindowCommand::SortDescending, tr("&Descending"), {}, tr("Sort from the last to the first"))
        ->setCheckable(true);
    add(m_sortMenu, WindowCommand::SortSelectedOnly, tr("&Selected Rows Only"), {},
        tr("Sort only the selected rows, within their places"))
        ->setCheckable(true);
    connect(add(edit, WindowCommand::SetForSelected, tr("Set for Se&lected..."), QKeySequence(Qt::CTRL | Qt::Key_E),
                tr("Set list fields of every selected service")),
            &QAction::triggered, this, &MainWindow::SetForSelected);
    connect(add(edit, WindowCommand::FindDuplicates, tr("Find &Duplicates"), QKeySequence(Qt::CTRL | Qt::Key_D),
                tr("Select the services that repeat another of the same TP")),
            &QAction::triggered, this, &MainWindow::FindDuplicates);
    connect(add(edit, WindowCommand::FilterList, tr("F&ilter List"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                tr("Show only the services whose name or service ID matches")),
            &QAction::triggered, this, [this] {
                m_filterBox->setFocus(Qt::ShortcutFocusReason);
                m_filterBox->selectAll();
            });

    connect(m_filterBox, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_rowFilter->SetText(text.toStdString());
        ApplyRowFilter();
    });
    // The rows' names and IDs may have changed with the list.
    const auto refilter = [this] {
        m_rowFilter->Forget();
        ApplyRowFilter();
    };
    connect(m_listModel, &QAbstractItemModel::modelReset, this, refilter);
    connect(m_listModel, &QAbstractItemModel::layoutChanged, this, refilter);
    connect(m_listModel, &QAbstractItemModel::rowsInserted, this, refilter);
    connect(m_listModel, &QAbstractItemModel::rowsRemoved, this, refilter);
    connect(m_listModel, &QAbstractItemModel::rowsMoved, this, refilter);
    connect(m_listModel, &QAbstractItemModel::dataChanged, this, refilter);
}

void MainWindow::AddOrganiseActions(QMenu* menu)
{
    menu->addSeparator();
    menu->addMenu(m_sortMenu);
    menu->addAction(Action(WindowCommand::SetForSelected));
    menu->addAction(Action(WindowCommand::FindDuplicates));
}

void MainWindow::ApplyRowFilter()
{
    const ServiceList& list = m_document->List();
    if (!m_rowFilter->IsActive()) {
        m_list->ShowRowsWhere([](int) { return true; });
        return;
    }
    m_list->ShowRowsWhere([this, &list](int row) { return m_rowFilter->Passes(list, row); });
}

void MainWindow::SortList(SortKey key)
{
    const SortRequest request{key, Action(WindowCommand::SortDescending)->isChecked()};
    const std::vector<int> rows = Action(WindowCommand::SortSelectedOnly)->isChecked() ? m_list->SelectedRows()
                                                                                       : std::vector<int>{};
    if (Action(WindowCommand::SortSelectedOnly)->isChecked() && rows.size() < 2)
        return;
    NodeStore& store = m_document->Store();
    ServiceList& list = m_document->List();
    RunEdit(tr("Sort"), [&store, &list, request, rows] { SortServices(store, list, request, rows); });
    // The rows sorted stay selected.
    if (!rows.empty())
        m_list->SelectRows(rows);
}

void MainWindow::SetForSelected()
{
    const std::vector<int> rows = m_list->SelectedRows();
    if (rows.empty())
        return;
    auto form = std::make_shared<SetForSelectedForm>(m_document->Store(), m_document->List(), rows);
    if (form->Rows().empty() || !m_dialogs->RunSetForSelected(*form))
        return;
    RunEdit(tr("Set for Selected"), [form] { form->Commit(); });
    m_list->SelectRows(rows);
}

void MainWindow::FindDuplicates()
{
    // The services found are selected; none of them may be hidden by the filter.
    m_filterBox->clear();
    const std::vector<int> rows = RepeatedRows(FindDuplicateGroups(m_document->Store(), m_document->List()));
    m_list->SelectRows(rows);
    m_list->setFocus();
    statusBar()->showMessage(QString::fromStdString(DuplicatesFoundText(rows.size())), kStatusMessageMs);
}

} // namespace torvane
