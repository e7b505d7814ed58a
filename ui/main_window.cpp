#include "ui/main_window.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/click_label.h"
#include "ui/error_box.h"
#include "ui/jpeg_image.h"
#include "ui/pixel_font.h"
#include "ui/process_table_model.h"
#include "ui/profile_combo_box.h"
#include "ui/radio_group.h"
#include "ui/tray_icon.h"
#include "ui/widget_names.h"

namespace mervale {
namespace {

QListWidget* MultiSelectList(const char* name, QWidget* parent) {
  auto* list = Named(new QListWidget(parent), name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  return list;
}

}  // namespace

MainWindow::MainWindow(ProcessPlatform& platform, SystemServices& system)
    : QWidget(nullptr), program_(platform, system, *this) {
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
  buildHeader();
  buildProcessTable();
  buildSidePanel();
  layout->addWidget(header_);
  layout->addWidget(splitter_, 1);
  buildMenus();

  trayIcon_ = new TrayIcon(this);
  connect(trayIcon_, &TrayIcon::menuRequested, this, &MainWindow::onTrayMenuRequested);
  connect(trayIcon_, &TrayIcon::doubleClicked, this, &MainWindow::onTrayDoubleClicked);
  startTimers();
  prepareProgram();
}

MainWindow::~MainWindow() {
  // The model watches the program's table, which goes before the window's children do.
  delete processModel_;
}

void MainWindow::buildHeader() {
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
  auto* inHeader = new QHBoxLayout(title_);
  inHeader->setContentsMargins(0, 0, 0, 0);
  inHeader->addStretch();
  inHeader->addWidget(aboutLink_);

  bannerPanel_ = Named(new QWidget(header_), "Panel7");
  bannerPanel_->setFixedSize(99, 49);
  banner_ = Named(new ClickLabel(bannerPanel_), "Image1");
  banner_->setAlignment(Qt::AlignCenter);
  QFile banner(QStringLiteral(":/banner.jpg"));
  if (banner.open(QIODevice::ReadOnly))
    banner_->setPixmap(QPixmap::fromImage(DecodeJpeg(banner.readAll())));
  connect(banner_, &ClickLabel::clicked, this, &MainWindow::onBannerClicked);
  auto* inBanner = new QHBoxLayout(bannerPanel_);
  inBanner->setContentsMargins(0, 0, 0, 0);
  inBanner->addWidget(banner_);
  bannerPanel_->hide();

  row->addWidget(title_, 1);
  row->addWidget(bannerPanel_);
}

void MainWindow::buildProcessTable() {
  splitter_ = Named(new QSplitter(Qt::Horizontal, this), "Splitter2");
  splitter_->setChildrenCollapsible(false);

  processView_ = Named(new QTableView(splitter_), "ListView1");
  processModel_ = new ProcessTableModel(program_.Engine().Table(), this);
  processView_->setModel(processModel_);
  processModel_->bindSelection(processView_->selectionModel());
  processView_->setShowGrid(true);
  processView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  processView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  processView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  processView_->setSortingEnabled(false);
  processView_->setWordWrap(false);
  processView_->setCornerButtonEnabled(false);
  processView_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  processView_->verticalHeader()->hide();
  processView_->verticalHeader()->setDefaultSectionSize(processView_->fontMetrics().height() + 5);
  processView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* columns = processView_->horizontalHeader();
  columns->setSectionsClickable(true);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->resizeSection(kColumnName, 200);
  columns->resizeSection(kColumnId, 100);
  columns->resizeSection(kColumnCpu, 100);
  connect(columns, &QHeaderView::sectionClicked, this, &MainWindow::onProcessColumnClicked);
  processView_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(processView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    processMenu_->popup(processView_->viewport()->mapToGlobal(at));
  });
  processView_->installEventFilter(this);
}

void MainWindow::buildSidePanel() {
  sidePanel_ = Named(new QScrollArea(splitter_), "ScrollBox1");
  sidePanel_->setWidgetResizable(true);
  sidePanel_->setFrameShape(QFrame::NoFrame);
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

  listTabs_ = Named(new QTabWidget(content), "PageControl1");
  profilePage_ = Named(buildProfilePage(), "TabSheet1");
  exclusionPage_ = Named(new QWidget(listTabs_), "TabSheet2");
  exclusionList_ = MultiSelectList("ListBox2", exclusionPage_);
  auto* exclusions = new QVBoxLayout(exclusionPage_);
  exclusions->setContentsMargins(4, 4, 4, 4);
  exclusions->addWidget(exclusionList_);
  listTabs_->addTab(profilePage_, QStringLiteral("TabSheet1"));
  listTabs_->addTab(exclusionPage_, QStringLiteral("TabSheet2"));

  auto* buttonBar = Named(new QWidget(content), "Panel4");
  buttonBar->setFixedHeight(35);
  auto* buttonPlace = Named(new QWidget(buttonBar), "Panel1");
  buttonPlace->setFixedWidth(100);
  optionsButton_ = Named(new QPushButton(QStringLiteral("Options"), buttonPlace), "Button1");
  optionsButton_->setMinimumWidth(75);
  connect(optionsButton_, &QPushButton::clicked, this, &MainWindow::onOptionsClicked);
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
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setSizes({417, width() - 417});
}

QWidget* MainWindow::buildProfilePage() {
  auto* page = new QWidget(listTabs_);
  profileGroup_ = Named(new QWidget(page), "GroupBox1");
  profileSelectorGroup_ =
      Named(new QGroupBox(QStringLiteral("Profil:"), profileGroup_), "GroupBox4");
  profileSelector_ = Named(new ProfileComboBox(profileSelectorGroup_), "ComboBox1");
  for (int profile = 1; profile <= 9; ++profile)
    profileSelector_->addItem(QStringLiteral("Profil %1").arg(profile));
  profileSelector_->showIndex(0);
  connect(profileSelector_, &QComboBox::currentIndexChanged, this, &MainWindow::onProfileChosen);
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

void MainWindow::startTimers() {
  // Both timers run from the window's creation with the default second.
  refreshTimer_ = Named(new QTimer(this), "Timer1");
  refreshTimer_->setInterval(1000);
  connect(refreshTimer_, &QTimer::timeout, this, &MainWindow::onRefreshTimer);
  refreshTimer_->start();
  startupTimer_ = Named(new QTimer(this), "Timer2");
  startupTimer_->setInterval(1000);
  connect(startupTimer_, &QTimer::timeout, this, &MainWindow::onStartupTimer);
  startupTimer_->start();
}

// FormCreate
void MainWindow::prepareProgram() {
  RunGuarded(this, [this] {
    program_.PrepareData();
    showMachineSets();
    trayIcon_->add();
    program_.LoadExclusionList();
    showLocaleBanner();
  });
}

void MainWindow::showLocaleBanner() {
  if (program_.ShowsLocaleBanner()) bannerPanel_->show();
}

}  // namespace mervale
