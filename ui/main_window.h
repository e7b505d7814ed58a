#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <string>

#include "engine/program.h"

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTableView;
class QTimer;

namespace mervale {

class ClickLabel;
class ProcessTableModel;
class ProfileComboBox;
class RadioGroup;
class TForm2;
class TrayIcon;

// The main window: the process table, the mode, the profiles and the exclusion list, the tray icon
// and its menu. It owns the program's state; closing it ends the program.
class TForm1 : public QWidget, public ProgramView {
  Q_OBJECT

 public:
  // Builds the window and runs its creation step (FormCreate); the window stays hidden.
  TForm1(ProcessPlatform& platform, SystemServices& system);
  ~TForm1() override;

  Program& program() { return program_; }

  // The other windows, shown from here; the Options window also mirrors the program's options.
  void SetDonationWindow(QWidget* form14);
  void SetOptionsWindow(TForm2* form2);
  void SetAboutWindow(QWidget* infoForm);

  // ProgramView
  void ShowFailure() override;
  void ShowMode(int index) override;
  void ShowOptions(const Options& options) override;
  void ShowProfileIndex(int index) override;
  void ShowProfileList(const LineList& entries) override;
  void ShowExclusionList(const LineList& names) override;
  void SetRefreshInterval(int milliseconds) override;
  void SetCaption(CaptionTarget target, const std::string& text) override;
  void SetModeItems(const std::array<std::string, kModeItemCount>& captions) override;

  // Handlers.
  void Timer1Timer();
  void Timer2Timer();
  void ListView1ColumnClick(int column);
  void ListView1KeyUp(int key, Qt::KeyboardModifiers modifiers);
  void ListBox1KeyUp(int key, Qt::KeyboardModifiers modifiers);
  void RadioGroup1Click(int index);
  void ComboBox1Change(int index);
  void SetEntryClick(int entry);
  void Isolate1Click();
  void Exclude1Click();
  void Delete1Click();
  void Delete2Click();
  void Show1Click();
  void ModeItemClick(int index);
  void Donation1Click();
  void Exit1Click();
  void Button1Click();
  void Panel3Click();
  void Image1Click();
  void TrayDoubleClick();
  void TrayMenuRequested(const QPoint& globalPosition);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildHeader();
  void BuildProcessTable();
  void BuildSidePanel();
  QWidget* BuildProfilePage();
  void BuildMenus();
  void BuildProcessMenu();
  void BuildTrayMenu();
  void BuildListMenus();
  QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption);
  void ConnectTimers();
  void FormCreate();
  void CheckLocaleImage();
  void FormClose();
  void SyncModeChecks(int index);
  void ShowWindow(QWidget* window);

  Program program_;
  bool failureShown_ = false;
  QPointer<QWidget> form14_;
  QPointer<TForm2> form2_;
  QPointer<QWidget> infoForm_;

  QWidget* Panel5;
  QLabel* Panel2;
  ClickLabel* Panel3;
  QWidget* Panel7;
  ClickLabel* Image1;
  QSplitter* Splitter2;
  QTableView* ListView1;
  ProcessTableModel* model_;
  QScrollArea* ScrollBox1;
  RadioGroup* RadioGroup1;
  QTabWidget* PageControl1;
  QWidget* TabSheet1;
  QWidget* TabSheet2;
  // The captionless group around the profile: a plain container, since a frame there would be
  // the fourth one nested inside the tab.
  QWidget* GroupBox1;
  QGroupBox* GroupBox4;
  ProfileComboBox* ComboBox1;
  QListWidget* ListBox1;
  QListWidget* ListBox2;
  QWidget* Panel4;
  QWidget* Panel1;
  QPushButton* Button1;
  QTimer* Timer1;
  QTimer* Timer2;
  TrayIcon* tray_;

  QMenu* PopupMenu1;
  QMenu* PopupMenu2;
  QMenu* PopupMenu3;
  QMenu* PopupMenu4;
  QMenu* Mode1;
  // Tray menu mode items by mode index.
  std::array<QAction*, kModeItemCount> modeItems_{};
};

}  // namespace mervale
