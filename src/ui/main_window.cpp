#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include "document/document.h"
#include "editing/session/edit_session.h"
#include "store/tree_item.h"
#include "util/saved_file.h"
#include "ui/models/channel_tree_model.h"
#include "ui/models/service_list_model.h"
#include "ui/preset_prompts.h"
#include "ui/views/navigator_view.h"
#include "ui/views/service_filter_box.h"
#include "ui/views/service_list_view.h"
#include "ui/views/switch_bar.h"
#include "ui/widget_prompts.h"
#include "ui/widget_window_dialogs.h"

// The window's icon lives in the resources of the ui library, which a static library must set up.
static void InitResources()
{
    Q_INIT_RESOURCE(torvane);
}

namespace torvane {
namespace {

constexpr int kRecentFileCount = 8;
const char* const kRecentFilesKey = "recentFiles";
const char* const kGeometryKey = "window/geometry";
const char* const kStateKey = "window/state";
const char* const kSplitterKey = "window/splitter";
const char* const kRightSplitterKey = "window/rightSplitter";
const char* const kLastFolderKey = "lastFolder";

std::string RecentFileGoneMessage(const std::string& path)
{
    return "\"" + path + "\" is not found; it is taken off Recent Files.";
}

} // namespace

MainWindow::MainWindow(ProjectConfig config, UserPrompts* prompts, WindowDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent), m_config(std::move(config)), m_dialogs(dialogs), m_undoStack(new QUndoStack(this))
{
    if (!prompts) {
        m_widgetPrompts = std::make_unique<WidgetPrompts>(this);
        m_widgetPrompts->SetFolder(QSettings().value(kLastFolderKey).toString());
        prompts = m_widgetPrompts.get();
    }
    m_prompts = std::make_unique<PresetPrompts>(*prompts);
    if (!m_dialogs) {
        m_ownDialogs = std::make_unique<WidgetWindowDialogs>(this, *m_prompts);
        m_dialogs = m_ownDialogs.get();
    }
    m_document = std::make_unique<Document>(*m_prompts, m_config.Type().value_or(ProjectType::ZUV_DVBS_V1));
    m_session = std::make_unique<EditSession>(*m_document);
    m_undoStack->setUndoLimit(m_session->StepLimit());
    m_serialSettings = LoadSerialSettings();
    UseBackupSettings(m_config.ReadBackupSettings());

    InitResources();
    setWindowIcon(QIcon(QStringLiteral(":/icons/torvane.svg")));
    setAcceptDrops(true);
    BuildPanes();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    ConnectViews();
    resize(1100, 720);
    RestoreSettings();
    UpdateState();
    qApp->installEventFilter(this);
    m_list->setFocus();
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    // The history goes first (it must not call back into the views), then the views and models
    // before the document they show.
    delete m_undoStack;
    delete m_splitter;
    m_document->Store().Tree().RemoveObserver(m_treeModel);
    m_document->List().RemoveObserver(m_listModel);
    if (SaveBackups() == m_backups.get())
        SetSaveBackups(nullptr);
}

void MainWindow::BuildPanes()
{
    m_treeModel = new ChannelTreeModel(m_document->Store().Tree(), this);
    m_listModel = new ServiceListModel(m_document->List(), this);
    m_document->Store().Tree().AddObserver(m_treeModel);
    m_document->List().AddObserver(m_listModel);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_navigator = new NavigatorView(m_splitter);
    m_navigator->setModel(m_treeModel);

    auto* right = new QSplitter(Qt::Vertical, m_splitter);
    right->setObjectName(QStringLiteral("rightPane"));
    m_switchBar = new SwitchBar(right);
    auto* listPane = new QWidget(right);
    auto* listLayout = new QVBoxLayout(listPane);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->setSpacing(2);
    m_filterBox = new ServiceFilterBox(listPane);
    m_list = new ServiceListView(listPane);
    listLayout->addWidget(m_filterBox);
    listLayout->addWidget(m_list);
    m_list->setModel(m_listModel);
    m_rowFilter = std::make_unique<RowFilter>(m_document->Store());
    right->setStretchFactor(0, 0);
    right->setStretchFactor(1, 1);
    right->setSizes({kSwitchBarHeight, 600});
    right->setCollapsible(0, false);

    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({kNavigatorWidth, 760});
    m_splitter->setCollapsible(1, false);
    setCentralWidget(m_splitter);

    setTabOrder(m_navigator, m_switchBar->Button(ServiceFilter::Tv));
    setTabOrder(m_switchBar->Button(ServiceFilter::Tv), m_filterBox);
    setTabOrder(m_filterBox, m_list);
}

void MainWindow::BuildMenus()
{
    auto add = [this](QMenu* menu, WindowCommand command, const QString& text, void (MainWindow::*slot)(),
                      const QList<QKeySequence>& keys = {}, const QString& tip = {}) {
        QAction* action = menu->addAction(text);
        action->setShortcuts(keys);
        action->setStatusTip(tip);
        if (slot)
            connect(action, &QAction::triggered, this, slot);
        m_actions.emplace_back(command, action);
        return action;
    };

    QMenu* file = menuBar()->addMenu(tr("&File"));
    add(file, WindowCommand::Open, tr("&Open..."), &MainWindow::Open, {QKeySequence(Qt::CTRL | Qt::Key_O)},
        tr("Open an existing document"));
    file->addSeparator();
    add(file, WindowCommand::Save, tr("&Save"), &MainWindow::Save, {QKeySequence(Qt::CTRL | Qt::Key_S)},
        tr("Save the active document"));
    add(file, WindowCommand::SaveAs, tr("Save &As..."), &MainWindow::SaveAs, {},
        tr("Save the active document with a new name"));
    file->addSeparator();
    add(file, WindowCommand::ApplyOrder, tr("A&pply Order from..."), &MainWindow::ApplyOrderFrom, {},
        tr("Order the services as another list does"));
    add(file, WindowCommand::ImportCsv, tr("&Import CSV..."), &MainWindow::ImportCsv, {},
        tr("Take names, favourite groups, flags and order from a CSV file"));
    add(file, WindowCommand::ImportEnigma2, tr("Import &Enigma2 Settings..."), &MainWindow::ImportEnigma2, {},
        tr("Take satellites, TPs, services, order and favourites from an Enigma2 settings folder"));
    add(file, WindowCommand::Compare, tr("Compare &with..."), &MainWindow::CompareWith, {},
        tr("Show what differs between this list and another"));
    add(file, WindowCommand::RestoreBackup, tr("&Restore from Backup..."), &MainWindow::RestoreFromBackup, {},
        tr("Open or compare an earlier version of this file"));
    file->addSeparator();
    add(file, WindowCommand::Close, tr("&Close"), &MainWindow::CloseFile, {}, tr("Close the active document"));
    file->addSeparator();
    m_recentMenu = file->addMenu(tr("Recent &Files"));
    file->addSeparator();
    QAction* exit = add(file, WindowCommand::Exit, tr("E&xit"), nullptr, {},
                        tr("Quit the application; prompts to save documents"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = m_undoStack->createUndoAction(this, tr("&Undo"));
    undo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    QAction* redo = m_undoStack->createRedoAction(this, tr("&Redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(undo);
    edit->addAction(redo);
    m_actions.emplace_back(WindowCommand::Undo, undo);
    m_actions.emplace_back(WindowCommand::Redo, redo);
    edit->addSeparator();
    add(edit, WindowCommand::Find, tr("&Find"), &MainWindow::Find, {QKeySequence(Qt::CTRL | Qt::Key_F)},
        tr("Find the specified text"));
    add(edit, WindowCommand::Switch, tr("S&witch"), &MainWindow::SwitchChannel, {QKeySequence(Qt::CTRL | Qt::Key_W)});
    BuildOrganiseMenu(edit);

    QMenu* process = menuBar()->addMenu(tr("&Process"));
    add(process, WindowCommand::Upload, tr("&UpLoad  (STB --> PC)"), &MainWindow::Upload);
    add(process, WindowCommand::Download, tr("&DownLoad  (PC --> STB)"), &MainWindow::Download);
    process->addSeparator();
    add(process, WindowCommand::DownloadFile, tr("DownLoad &File (PC --> STB)"), &MainWindow::DownloadFile);

    QMenu* setting = menuBar()->addMenu(tr("&Setting"));
    add(setting, WindowCommand::SerialPort, tr("Serial &Port"), &MainWindow::SerialPort);
    add(setting, WindowCommand::BackupSettings, tr("&Backups..."), &MainWindow::BackupSettingsCommand);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, WindowCommand::About, tr("&About Torvane..."), &MainWindow::About, {},
        tr("Display program information, version number and copyright"));

    // Ctrl+N starts afresh as Close does, never without the save prompt; F6 and Shift+F6 go from
    // pane to pane.
    auto* newFile = new QAction(this);
    newFile->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(newFile, &QAction::triggered, this, &MainWindow::CloseFile);
    auto* nextPane = new QAction(this);
    nextPane->setShortcut(QKeySequence(Qt::Key_F6));
    connect(nextPane, &QAction::triggered, this, [this] { (m_navigator->hasFocus() ? static_cast<QWidget*>(m_list) : m_navigator)->setFocus(); });
    auto* previousPane = new QAction(this);
    previousPane->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6));
    connect(previousPane, &QAction::triggered, this,
            [this] { (m_list->hasFocus() ? static_cast<QWidget*>(m_navigator) : m_list)->setFocus(); });
    addActions({newFile, nextPane, previousPane});
}

void MainWindow::BuildToolBar()
{
    QToolBar* bar = addToolBar(tr("Standard"));
    bar->setObjectName(QStringLiteral("standardToolBar"));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(true);
    QAction* open = bar->addAction(style()->standardIcon(QStyle::SP_DialogOpenButton), tr("Open"), this, &MainWindow::Open);
    open->setStatusTip(tr("Open an existing document"));
    // The toolbar's Save is never greyed: with nothing open it does nothing.
    QAction* save = bar->addAction(style()->standardIcon(QStyle::SP_DialogSaveButton), tr("Save"), this, &MainWindow::Save);
    save->setStatusTip(tr("Save the active document"));
    m_actions.emplace_back(WindowCommand::ToolbarOpen, open);
    m_actions.emplace_back(WindowCommand::ToolbarSave, save);
}

void MainWindow::BuildStatusBar()
{
    // The idle text stands as a normal widget, so that a command's status tip replaces it while
    // shown and "Ready" returns afterwards.
    statusBar()->addWidget(new QLabel(tr("Ready"), this), 1);
    m_counts = new QLabel(this);
    statusBar()->addPermanentWidget(m_counts);
    for (const auto& [key, text] : {std::pair{Qt::Key_CapsLock, "CAP"}, std::pair{Qt::Key_NumLock, "NUM"},
                                    std::pair{Qt::Key_ScrollLock, "SCRL"}}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        label->setEnabled(false);
        statusBar()->addPermanentWidget(label);
        m_lockIndicators.emplace_back(key, label);
    }
}

void MainWindow::ConnectViews()
{
    connect(m_navigator, &NavigatorView::ItemSelected, this, &MainWindow::OnTreeItemSelected);
    connect(m_navigator, &NavigatorView::CommandChosen, this, &MainWindow::RunNavigatorCommand);
    connect(m_switchBar, &SwitchBar::FilterChosen, this, [this](ServiceFilter filter) {
        m_document->List().SetServiceFilter(filter);
        AfterCommand();
    });
    connect(m_list, &ServiceListView::SelectedRowChanged, this, &MainWindow::OnListRowSelected);
    connect(m_list, &ServiceListView::KeyPressed, this, &MainWindow::OnListKey);
    connect(m_list, &ServiceListView::DoubleClicked, this, [this] { OnListKey(ListKey::Enter); });
    connect(m_list, &ServiceListView::ContextMenuRequested, this, &MainWindow::OnListContextMenu);
    connect(m_list, &ServiceListView::RowsDropped, this, &MainWindow::MoveSelectedRows);
    connect(m_listModel, &ServiceListModel::CoreSelectionChanged, this, [this] {
        if (!m_syncing)
            m_list->SelectRowAlone(m_document->List().SelectedRow());
    });
    connect(m_undoStack, &QUndoStack::indexChanged, this, &MainWindow::AfterCommand);
    connect(m_recentMenu, &QMenu::triggered, this,
            [this](QAction* action) { OpenRecentFile(action->data().toString()); });
}

QAction* MainWindow::Action(WindowCommand command) const
{
    for (const auto& [key, action] : m_actions) {
        if (key == command)
            return action;
    }
    return nullptr;
}

QString MainWindow::CountsText() const
{
    if (!m_document->IsOpen())
        return {};
    const auto live = [this](NodeKind kind) {
        const TableHeader* table = m_document->Image().Table(kind);
        return table ? static_cast<int>(table->liveCount) : 0;
    };
    return tr("%1 satellites, %2 TPs, %3 services")
        .arg(live(NodeKind::Satellite))
        .arg(live(NodeKind::Tp))
        .arg(live(NodeKind::Program));
}

void MainWindow::UpdateState()
{
    const bool open = m_document->IsOpen();
    const bool image = open && !m_document->ProductImagePath().empty();
    for (WindowCommand command : {WindowCommand::Save, WindowCommand::SaveAs, WindowCommand::Close,
                                  WindowCommand::ApplyOrder, WindowCommand::ImportCsv, WindowCommand::ImportEnigma2,
                                  WindowCommand::Compare, WindowCommand::RestoreBackup})
        Action(command)->setEnabled(open);
    Action(WindowCommand::Download)->setEnabled(image);
    m_switchBar->setEnabled(open);
    UpdateTitle();
    m_counts->setText(CountsText());
}

void MainWindow::UpdateTitle()
{
    const QString name = m_document->IsOpen() ? m_titleName : QString();
    setWindowTitle(name.isEmpty() ? QStringLiteral("Torvane[*]") : QStringLiteral("Torvane - %1[*]").arg(name));
    setWindowModified(m_document->IsOpen() && m_document->Store().IsModified());
}

void MainWindow::ShowTreeSelection()
{
    m_syncing = true;
    m_navigator->SelectItem(m_document->List().CurrentItem());
    // A row a command selected (Find searches the whole list) is never hidden by the filter box.
    const int row = m_document->List().SelectedRow();
    if (row >= 0 && row < m_listModel->rowCount() && m_list->isRowHidden(row))
        m_filterBox->clear();
    m_list->SelectRowAlone(row);
    m_syncing = false;
}

void MainWindow::AfterCommand()
{
    ShowTreeSelection();
    UpdateState();
}

void MainWindow::OnTreeItemSelected(TreeItem* item)
{
    if (m_syncing || item == m_document->List().CurrentItem())
        return;
    m_session->SelectItem(item);
    UpdateState();
}

void MainWindow::OnListRowSelected(int row)
{
    // The core keeps the first selected row; its notice must not shrink the user's selection.
    if (m_syncing)
        return;
    m_syncing = true;
    m_document->List().SelectRow(row);
    m_syncing = false;
}

void MainWindow::ResetHistory()
{
    if (!m_session->CanUndo() && !m_session->CanRedo())
        m_undoStack->clear();
}

void MainWindow::NoteSaved(bool saved)
{
    if (saved) {
        m_session->SetClean();
        m_undoStack->setClean();
    } else {
        NoteRefusedCut();
    }
    UpdateState();
}

void MainWindow::NoteRefusedCut()
{
    if (m_document->RefusedCut())
        statusBar()->showMessage(tr("Nothing was saved."));
}

void MainWindow::RememberFile(const std::string& path)
{
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    QSettings settings;
    QStringList files = settings.value(kRecentFilesKey).toStringList();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kRecentFileCount)
        files.removeLast();
    settings.setValue(kRecentFilesKey, files);
    UpdateRecentFiles();
}

void MainWindow::OpenRecentFile(const QString& file)
{
    if (QFileInfo::exists(file)) {
        OpenPath(file.toStdString());
        return;
    }
    m_prompts->Message(RecentFileGoneMessage(file.toStdString()));
    QSettings settings;
    QStringList files = settings.value(kRecentFilesKey).toStringList();
    files.removeAll(file);
    settings.setValue(kRecentFilesKey, files);
    UpdateRecentFiles();
}

void MainWindow::UpdateRecentFiles()
{
    m_recentMenu->clear();
    const QStringList files = QSettings().value(kRecentFilesKey).toStringList();
    for (int i = 0; i < files.size(); ++i) {
        QAction* action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName()));
        action->setData(files[i]);
        action->setStatusTip(files[i]);
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

void MainWindow::RestoreSettings()
{
    QSettings settings;
    restoreGeometry(settings.value(kGeometryKey).toByteArray());
    restoreState(settings.value(kStateKey).toByteArray());
    m_splitter->restoreState(settings.value(kSplitterKey).toByteArray());
    if (auto* right = m_splitter->findChild<QSplitter*>(QStringLiteral("rightPane")))
        right->restoreState(settings.value(kRightSplitterKey).toByteArray());
    UpdateRecentFiles();
}

void MainWindow::SaveSettings() const
{
    QSettings settings;
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kStateKey, saveState());
    settings.setValue(kSplitterKey, m_splitter->saveState());
    if (const auto* right = m_splitter->findChild<QSplitter*>(QStringLiteral("rightPane")))
        settings.setValue(kRightSplitterKey, right->saveState());
    if (m_widgetPrompts)
        settings.setValue(kLastFolderKey, m_widgetPrompts->Folder());
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    // A save that was wanted and failed keeps the window, so that the edits are not lost.
    if (!m_session->Close()) {
        event->ignore();
        NoteRefusedCut();
        UpdateState();
        return;
    }
    SaveSettings();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    OpenPath(urls.front().toLocalFile().toStdString());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The lock keys' state as far as their presses tell it.
    // A key event passes the filter once for each widget it is offered to: only the first counts.
    QWidget* first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
    if (event->type() == QEvent::KeyPress && watched == first) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        for (const auto& [lockKey, label] : m_lockIndicators) {
            if (keyEvent->key() == lockKey && !keyEvent->isAutoRepeat())
                label->setEnabled(!label->isEnabled());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace torvane
