// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/main_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "engine/cpu_list_text.h"
#include "engine/program.h"
#include "store/excerpt.h"
#include "ui/caption_board.h"
#include "ui/click_label.h"
#include "ui/focus_frame.h"
#include "ui/pixel_font.h"
#include "ui/process_menu.h"
#include "ui/process_table_model.h"
#include "ui/profile_combo_box.h"
#include "ui/program_text.h"
#include "ui/radio_group.h"
#include "ui/widget_names.h"

namespace mervale {
namespace {

// Shift+F10 asks for a view's menu as the Menu key does, at the current item (the view's corner
// when there is none): where the keyboard's focus is.
void OpenMenuOnShiftF10(QAbstractItemView* view) {
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  new QShortcut(
      QKeySequence(Qt::SHIFT | Qt::Key_F10), view,
      [view] {
        const QRect current = view->visualRect(view->currentIndex());
        emit view->customContextMenuRequested(current.isValid() ? current.center() : QPoint());
      },
      Qt::WidgetShortcut);
}

QListWidget* MultiSelectList(const char* name, QWidget* parent) {
  auto* list = Named(new QListWidget(parent), name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  OpenMenuOnShiftF10(list);
  FrameOnFocus(list);
  return list;
}

}  // namespace

MainWindow::MainWindow(Program& program, CaptionBoard& captions)
    : QWidget(nullptr), program_(program) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Mervale"));
  move(160, 112);
  resize(868, 479);
  // Hiding this window into the tray, or closing a message box while it is hidden, must not end
  // the program: only closing this window does (FormClose).
  QApplication::setQuitOnLastWindowClosed(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  buildHeader(captions);
  buildProcessTable(captions);
  buildSidePanel(captions);
  layout->addWidget(header_);
  layout->addWidget(splitter_, 1);
  QAction* deleteEntries = addListMenu(profileList_, "PopupMenu3", "Delete1");
  connect(deleteEntries, &QAction::triggered, this, &MainWindow::onDeleteProfileEntriesTriggered);
  captions.bindMenuItem(CaptionTarget::kDeleteProfileEntriesItem, deleteEntries);
  QAction* deleteNames = addListMenu(exclusionList_, "PopupMenu4", "Delete2");
  connect(deleteNames, &QAction::triggered, this, &MainWindow::onDeleteExclusionsTriggered);
  captions.bindMenuItem(CaptionTarget::kDeleteExclusionsItem, deleteNames);
}

void MainWindow::buildHeader(CaptionBoard& captions) {
  header_ = Named(new QWidget(this), "Panel5");
  header_->setFixedHeight(49);
  auto* row = new QHBoxLayout(header_);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  title_ = Named(new QLabel(QStringLiteral("  Mervale"), header_), "Panel2");
  title_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  title_->setFont(PixelFont(font(), 17, true));
  title_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  title_->setBackgroundRole(QPalette::Base);
  title_->setAutoFillBackground(true);
  captions.bind(CaptionTarget::kHeaderTitle,
                [this](const QString& text) { title_->setText(text); });

  // The link sits at the right end of the header panel, over its empty part.
  aboutLink_ = Named(new ClickLabel(title_), "Panel3");
  aboutLink_->setText(QStringLiteral("About"));
  QFont link = PixelFont(font(), 12);
  link.setUnderline(true);
  aboutLink_->setFont(link);
  QPalette blue = aboutLink_->palette();
  blue.setColor(QPalette::Link, Qt::blue);
  aboutLink_->setPalette(blue);
  aboutLink_->setForegroundRole(QPalette::Link);
  aboutLink_->setAlignment(Qt::AlignCenter);
  aboutLink_->setFixedWidth(64);
  connect(aboutLink_, &ClickLabel::clicked, this, &MainWindow::onAboutLinkClicked);
  captions.bind(CaptionTarget::kAboutLink,
                [this](const QString& text) { aboutLink_->setText(text); });
  auto* inHeader = new QHBoxLayout(title_);
  inHeader->setContentsMargins(0, 0, 0, 0);
  inHeader->addStretch();
  inHeader->addWidget(aboutLink_);

  bannerPanel_ = Named(new QWidget(header_), "Panel7");
  bannerPanel_->setFixedSize(99, 49);
  banner_ = Named(new ClickLabel(bannerPanel_), "Image1");
  banner_->setAlignment(Qt::AlignCenter);
  banner_->setPixmap(QPixmap(QStringLiteral(":/banner.jpg"), "JPG"));
  connect(banner_, &ClickLabel::clicked, this, &MainWindow::onBannerClicked);
  auto* inBanner = new QHBoxLayout(bannerPanel_);
  inBanner->setContentsMargins(0, 0, 0, 0);
  inBanner->addWidget(banner_);
  bannerPanel_->hide();

  row->addWidget(title_, 1);
  row->addWidget(bannerPanel_);
}

void MainWindow::buildProcessTable(CaptionBoard& captions) {
  splitter_ = Named(new QSplitter(Qt::Horizontal, this), "Splitter2");
  splitter_->setChildrenCollapsible(false);

  processView_ = Named(new QTableView(splitter_), "ListView1");
  processModel_ = new ProcessTableModel(program_.Processes(), this);
  for (const auto& [target, column] : {std::pair{CaptionTarget::kNameColumn, kColumnName},
                                       {CaptionTarget::kIdColumn, kColumnId},
                                       {CaptionTarget::kCpuColumn, kColumnCpu}}) {
    captions.bind(target, [this, column](const QString& text) {
      processModel_->setColumnCaption(column, text);
    });
  }
  processView_->setModel(processModel_);
  processModel_->bindSelection(processView_->selectionModel());
  processView_->setShowGrid(true);
  processView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  processView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  processView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  processView_->setSortingEnabled(false);
  processView_->setWordWrap(false);
  processView_->setCornerButtonEnabled(false);
  // Tab moves on to the next control, as in every other list of the window.
  processView_->setTabKeyNavigation(false);
  processView_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  processView_->verticalHeader()->hide();
  processView_->verticalHeader()->setDefaultSectionSize(processView_->fontMetrics().height() + 5);
  processView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* columns = processView_->horizontalHeader();
  columns->setSectionsClickable(true);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // The name takes whatever width Id and CPU leave, so long names show whole where there is room.
  columns->setSectionResizeMode(kColumnName, QHeaderView::Stretch);
  columns->setSectionResizeMode(kColumnId, QHeaderView::ResizeToContents);
  columns->resizeSection(kColumnCpu, 100);
  columns->setSortIndicatorShown(true);
  showSortIndicator();
  // The compact lists of a big machine widen the CPU column up to a limit; past it they end in "…".
  processView_->setTextElideMode(Qt::ElideRight);
  processModel_->setCpuToolTip([this](const CpuSet& set) {
    return CpuSetToolTip(set, program_.Topology(),
                         [this](AddedCaption caption) { return program_.Caption(caption); });
  });
  connect(processModel_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { fitCpuColumn(first, last); });
  connect(processModel_, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& from, const QModelIndex& to) {
            fitCpuColumn(from.row(), to.row());
          });
  connect(processModel_, &QAbstractItemModel::modelReset, this,
          [this] { fitCpuColumn(0, processModel_->rowCount() - 1); });
  connect(columns, &QHeaderView::sectionClicked, this, &MainWindow::onProcessColumnClicked);
  processMenu_ = new ProcessMenu(program_, captions, *processModel_, this);
  OpenMenuOnShiftF10(processView_);
  FrameOnFocus(processView_);
  connect(processView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    processMenu_->popup(processView_->viewport()->mapToGlobal(at));
  });
  processView_->installEventFilter(this);
}

void MainWindow::fitCpuColumn(int first, int last) {
  // No wider than the table shows beside Id and a name column of some width, so a long list ends
  // in "…" in sight rather than past the edge.
  constexpr int kNarrowestName = 120;
  QHeaderView* columns = processView_->horizontalHeader();
  const int width = columns->sectionSize(kColumnCpu);
  const int widestAllowed = std::min(
      320, processView_->viewport()->width() - columns->sectionSize(kColumnId) - kNarrowestName);
  if (width >= widestAllowed) return;
  const QFontMetrics metrics = processView_->fontMetrics();
  int widest = width;
  for (int row = first; row <= last; ++row) {
    const QString text = processModel_->index(row, kColumnCpu).data().toString();
    // Room for the cell's margins and the grid line.
    widest = std::max(widest, metrics.horizontalAdvance(text) + 3 * metrics.averageCharWidth());
  }
  if (widest > width) columns->resizeSection(kColumnCpu, std::min(widest, widestAllowed));
}

void MainWindow::buildSidePanel(CaptionBoard& captions) {
  sidePanel_ = Named(new QScrollArea(splitter_), "ScrollBox1");
  sidePanel_->setWidgetResizable(true);
  sidePanel_->setFrameShape(QFrame::NoFrame);
  // Only a frame around what it holds: the Tab key goes to its controls, not to it.
  sidePanel_->setFocusPolicy(Qt::NoFocus);
  auto* content = new QWidget(sidePanel_);
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(6, 4, 6, 0);

  modeGroup_ = Named(new RadioGroup(QStringLiteral("Mode"), RadioGroup::Body::Plain, content),
                     "RadioGroup1");
  QStringList modeItems;
  for (const ModeTraits& mode : kModes) modeItems << QString::fromLatin1(mode.selectorCaption);
  modeGroup_->setItems(modeItems);
  modeGroup_->setItemIndex(SettingsValueOf(program_.CurrentMode()));
  connect(modeGroup_, &RadioGroup::itemChosen, this, &MainWindow::onModeChosen);
  captions.bind(CaptionTarget::kModeGroupTitle,
                [this](const QString& text) { modeGroup_->setTitle(text); });

  listTabs_ = Named(new QTabWidget(content), "PageControl1");
  profilePage_ = Named(buildProfilePage(captions), "TabSheet1");
  exclusionPage_ = Named(new QWidget(listTabs_), "TabSheet2");
  exclusionList_ = MultiSelectList("ListBox2", exclusionPage_);
  exclusionList_->installEventFilter(this);
  auto* exclusions = new QVBoxLayout(exclusionPage_);
  exclusions->setContentsMargins(4, 4, 4, 4);
  exclusions->addWidget(exclusionList_);
  listTabs_->addTab(profilePage_, QStringLiteral("TabSheet1"));
  listTabs_->addTab(exclusionPage_, QStringLiteral("TabSheet2"));
  for (QWidget* page : {profilePage_, exclusionPage_}) {
    captions.bind(page == profilePage_ ? CaptionTarget::kProfileTab : CaptionTarget::kExclusionTab,
                  [this, page](const QString& text) {
                    listTabs_->setTabText(listTabs_->indexOf(page), text);
                  });
  }

  auto* buttonBar = Named(new QWidget(content), "Panel4");
  buttonBar->setFixedHeight(35);
  auto* buttonPlace = Named(new QWidget(buttonBar), "Panel1");
  buttonPlace->setFixedWidth(100);
  optionsButton_ = Named(new QPushButton(QStringLiteral("Options"), buttonPlace), "Button1");
  optionsButton_->setMinimumWidth(75);
  connect(optionsButton_, &QPushButton::clicked, this, &MainWindow::onOptionsClicked);
  captions.bind(CaptionTarget::kOptionsButton,
                [this](const QString& text) { optionsButton_->setText(text); });
  auto* inPlace = new QHBoxLayout(buttonPlace);
  inPlace->setContentsMargins(0, 0, 0, 0);
  inPlace->addStretch();
  inPlace->addWidget(optionsButton_);
  auto* bottom = new QHBoxLayout(buttonBar);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addStretch();
  bottom->addWidget(buttonPlace);

  column->addWidget(modeGroup_);
  column->addWidget(listTabs_, 1);
  column->addWidget(buttonBar);
  sidePanel_->setWidget(content);

  splitter_->addWidget(processView_);
  splitter_->addWidget(sidePanel_);
  // A wider window goes to the process table; the side panel keeps its width.
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  splitter_->setSizes({417, width() - 417});
}

QWidget* MainWindow::buildProfilePage(CaptionBoard& captions) {
  auto* page = new QWidget(listTabs_);
  profileGroup_ = Named(new QWidget(page), "GroupBox1");
  profileSelectorGroup_ =
      Named(new QGroupBox(QStringLiteral("Profil:"), profileGroup_), "GroupBox4");
  profileSelector_ = Named(new ProfileComboBox(profileSelectorGroup_), "ComboBox1");
  for (int profile = 1; profile <= 9; ++profile)
    profileSelector_->addItem(QStringLiteral("Profil %1").arg(profile));
  profileSelector_->showIndex(0);
  connect(profileSelector_, &QComboBox::currentIndexChanged, this, &MainWindow::onProfileChosen);
  captions.bind(CaptionTarget::kProfileGroupTitle,
                [this](const QString& text) { profileSelectorGroup_->setTitle(text); });
  captions.bind(CaptionTarget::kProfileSelectorText,
                [this](const QString& text) { profileSelector_->setText(text); });
  // Equal margins on both sides keep the selector as wide as its group, whatever changes the
  // group's width (the window or the splitter).
  auto* selector = new QVBoxLayout(profileSelectorGroup_);
  selector->setContentsMargins(2, 4, 2, 4);
  selector->addWidget(profileSelector_);

  profileList_ = MultiSelectList("ListBox1", profileGroup_);
  profileList_->installEventFilter(this);
  auto* group = new QVBoxLayout(profileGroup_);
  group->setContentsMargins(0, 0, 0, 0);
  group->addWidget(profileSelectorGroup_);
  group->addWidget(profileList_, 1);

  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(4, 4, 4, 4);
  pageLayout->addWidget(profileGroup_);
  return page;
}

void MainWindow::showLocaleBanner() {
  if (program_.ShowsLocaleBanner()) bannerPanel_->show();
}

QAction* MainWindow::addListMenu(QListWidget* list, const char* menuName, const char* deleteName) {
  auto* menu = Named(new QMenu(this), menuName);
  connect(list, &QWidget::customContextMenuRequested, this,
          [menu, list](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
  return Named(menu->addAction(QStringLiteral("Delete")), deleteName);
}

void MainWindow::showMode(std::optional<Mode> mode) {
  modeGroup_->setItemIndex(SettingsValueOf(mode));
}

void MainWindow::showModeItems(const QStringList& items) {
  modeGroup_->setItems(items);
}

void MainWindow::showProfileIndex(int index) {
  profileSelector_->showIndex(index);
}

// A list box lays out every item it shows, which for a megabyte line takes seconds and hundreds of
// megabytes; the program keeps the whole line, the box shows its excerpt.
void MainWindow::showProfileList(const LineList& entries) {
  profileList_->clear();
  for (const std::string& entry : entries)
    profileList_->addItem(ProgramText(program_.ShownProfileEntry(entry)));
}

void MainWindow::showExclusionList(const LineList& names) {
  exclusionList_->clear();
  for (const std::string& name : names) exclusionList_->addItem(ProgramText(Excerpt(name)));
}

}  // namespace mervale
