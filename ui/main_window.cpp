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
#include "ui/process_table_model.h"
#include "ui/profile_combo_box.h"
#include "ui/radio_group.h"
#include "ui/tray_icon.h"

namespace mervale {
namespace {

QFont PixelFont(const QFont& base, int pixels, bool bold = false) {
  QFont font = base;
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QListWidget* MultiSelectList(const char* name, QWidget* parent) {
  auto* list = Named(new QListWidget(parent), name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  return list;
}

}  // namespace

TForm1::TForm1(ProcessPlatform& platform, SystemServices& system)
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
  BuildHeader();
  BuildProcessTable();
  BuildSidePanel();
  layout->addWidget(Panel5);
  layout->addWidget(Splitter2, 1);
  BuildMenus();

  tray_ = new TrayIcon(this);
  connect(tray_, &TrayIcon::MenuRequested, this, &TForm1::TrayMenuRequested);
  connect(tray_, &TrayIcon::DoubleClicked, this, &TForm1::TrayDoubleClick);
  ConnectTimers();
  FormCreate();
}

TForm1::~TForm1() {
  // The model watches the program's table, which goes before the window's children do.
  delete model_;
}

void TForm1::BuildHeader() {
  Panel5 = Named(new QWidget(this), "Panel5");
  Panel5->setFixedHeight(49);
  auto* row = new QHBoxLayout(Panel5);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);

  Panel2 = Named(new QLabel(QStringLiteral("  Mervale"), Panel5), "Panel2");
  Panel2->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  Panel2->setFont(PixelFont(font(), 17, true));
  Panel2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Panel2->setBackgroundRole(QPalette::Base);
  Panel2->setAutoFillBackground(true);

  // The link sits at the right end of the header panel, over its empty part.
  Panel3 = Named(new ClickLabel(Panel2), "Panel3");
  Panel3->setText(QStringLiteral("About"));
  QFont link = PixelFont(font(), 12);
  link.setUnderline(true);
  Panel3->setFont(link);
  QPalette blue = Panel3->palette();
  blue.setColor(QPalette::Link, Qt::blue);
  Panel3->setPalette(blue);
  Panel3->setForegroundRole(QPalette::Link);
  Panel3->setAlignment(Qt::AlignCenter);
  Panel3->setFixedWidth(64);
  connect(Panel3, &ClickLabel::clicked, this, &TForm1::Panel3Click);
  auto* inHeader = new QHBoxLayout(Panel2);
  inHeader->setContentsMargins(0, 0, 0, 0);
  inHeader->addStretch();
  inHeader->addWidget(Panel3);

  Panel7 = Named(new QWidget(Panel5), "Panel7");
  Panel7->setFixedSize(99, 49);
  Image1 = Named(new ClickLabel(Panel7), "Image1");
  Image1->setAlignment(Qt::AlignCenter);
  QFile banner(QStringLiteral(":/banner.jpg"));
  if (banner.open(QIODevice::ReadOnly))
    Image1->setPixmap(QPixmap::fromImage(DecodeJpeg(banner.readAll())));
  connect(Image1, &ClickLabel::clicked, this, &TForm1::Image1Click);
  auto* inBanner = new QHBoxLayout(Panel7);
  inBanner->setContentsMargins(0, 0, 0, 0);
  inBanner->addWidget(Image1);
  Panel7->hide();

  row->addWidget(Panel2, 1);
  row->addWidget(Panel7);
}

void TForm1::BuildProcessTable() {
  Splitter2 = Named(new QSplitter(Qt::Horizontal, this), "Splitter2");
  Splitter2->setChildrenCollapsible(false);

  ListView1 = Named(new QTableView(Splitter2), "ListView1");
  model_ = new ProcessTableModel(program_.Engine().Table(), this);
  ListView1->setModel(model_);
  model_->BindSelection(ListView1->selectionModel());
  ListView1->setShowGrid(true);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListView1->setSortingEnabled(false);
  ListView1->setWordWrap(false);
  ListView1->setCornerButtonEnabled(false);
  ListView1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  ListView1->verticalHeader()->hide();
  ListView1->verticalHeader()->setDefaultSectionSize(ListView1->fontMetrics().height() + 5);
  ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* columns = ListView1->horizontalHeader();
  columns->setSectionsClickable(true);
  columns->setHighlightSections(false);
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->resizeSection(kColumnName, 200);
  columns->resizeSection(kColumnId, 100);
  columns->resizeSection(kColumnCpu, 100);
  connect(columns, &QHeaderView::sectionClicked, this, &TForm1::ListView1ColumnClick);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(at)); });
  ListView1->installEventFilter(this);
}

void TForm1::BuildSidePanel() {
  ScrollBox1 = Named(new QScrollArea(Splitter2), "ScrollBox1");
  ScrollBox1->setWidgetResizable(true);
  ScrollBox1->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget(ScrollBox1);
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(6, 4, 6, 0);

  RadioGroup1 = Named(new RadioGroup(QStringLiteral("Mode"), RadioGroup::Body::Plain, content),
                      "RadioGroup1");
  RadioGroup1->SetItems({QStringLiteral("Automatic"), QStringLiteral("Manual"),
                         QStringLiteral("CPU 1"), QStringLiteral("CPU 2"), QStringLiteral("Off")});
  RadioGroup1->SetItemIndex(kModeOff);
  connect(RadioGroup1, &RadioGroup::ItemChosen, this, &TForm1::RadioGroup1Click);

  PageControl1 = Named(new QTabWidget(content), "PageControl1");
  TabSheet1 = Named(BuildProfilePage(), "TabSheet1");
  TabSheet2 = Named(new QWidget(PageControl1), "TabSheet2");
  ListBox2 = MultiSelectList("ListBox2", TabSheet2);
  auto* exclusions = new QVBoxLayout(TabSheet2);
  exclusions->setContentsMargins(4, 4, 4, 4);
  exclusions->addWidget(ListBox2);
  PageControl1->addTab(TabSheet1, QStringLiteral("TabSheet1"));
  PageControl1->addTab(TabSheet2, QStringLiteral("TabSheet2"));

  Panel4 = Named(new QWidget(content), "Panel4");
  Panel4->setFixedHeight(35);
  Panel1 = Named(new QWidget(Panel4), "Panel1");
  Panel1->setFixedWidth(100);
  Button1 = Named(new QPushButton(QStringLiteral("Options"), Panel1), "Button1");
  Button1->setMinimumWidth(75);
  connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
  auto* buttonPlace = new QHBoxLayout(Panel1);
  buttonPlace->setContentsMargins(0, 0, 0, 0);
  buttonPlace->addStretch();
  buttonPlace->addWidget(Button1);
  auto* bottom = new QHBoxLayout(Panel4);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addStretch();
  bottom->addWidget(Panel1);

  column->addWidget(RadioGroup1);
  column->addWidget(PageControl1, 1);
  column->addWidget(Panel4);
  ScrollBox1->setWidget(content);

  Splitter2->addWidget(ListView1);
  Splitter2->addWidget(ScrollBox1);
  Splitter2->setStretchFactor(0, 0);
  Splitter2->setStretchFactor(1, 1);
  Splitter2->setSizes({417, width() - 417});
}

QWidget* TForm1::BuildProfilePage() {
  auto* page = new QWidget(PageControl1);
  GroupBox1 = Named(new QWidget(page), "GroupBox1");
  GroupBox4 = Named(new QGroupBox(QStringLiteral("Profil:"), GroupBox1), "GroupBox4");
  ComboBox1 = Named(new ProfileComboBox(GroupBox4), "ComboBox1");
  for (int profile = 1; profile <= 9; ++profile)
    ComboBox1->addItem(QStringLiteral("Profil %1").arg(profile));
  ComboBox1->ShowIndex(0);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm1::ComboBox1Change);
  // Equal margins on both sides keep the selector as wide as its group, whatever changes the
  // group's width (the window or the splitter).
  auto* selector = new QVBoxLayout(GroupBox4);
  selector->setContentsMargins(2, 4, 2, 4);
  selector->addWidget(ComboBox1);

  ListBox1 = MultiSelectList("ListBox1", GroupBox1);
  ListBox1->installEventFilter(this);
  auto* group = new QVBoxLayout(GroupBox1);
  group->setContentsMargins(0, 0, 0, 0);
  group->addWidget(GroupBox4);
  group->addWidget(ListBox1, 1);

  auto* pageLayout = new QVBoxLayout(page);
  pageLayout->setContentsMargins(4, 4, 4, 4);
  pageLayout->addWidget(GroupBox1);
  return page;
}

void TForm1::ConnectTimers() {
  // Both timers run from the window's creation with the default second.
  Timer1 = Named(new QTimer(this), "Timer1");
  Timer1->setInterval(1000);
  connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
  Timer1->start();
  Timer2 = Named(new QTimer(this), "Timer2");
  Timer2->setInterval(1000);
  connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
  Timer2->start();
}

void TForm1::FormCreate() {
  RunGuarded(this, [this] {
    program_.PrepareData();
    tray_->Add();
    program_.LoadExclusionList();
    CheckLocaleImage();
  });
}

void TForm1::CheckLocaleImage() {
  if (program_.ShowsLocaleBanner()) Panel7->show();
}

}  // namespace mervale
