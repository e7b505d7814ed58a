#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>
#include <string>

#include "engine/mode.h"
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
class OptionsWindow;
class TrayIcon;

// TForm1 (Form1): the main window: the process table, the mode, the profiles and the exclusion
// list, the tray icon and its menu. It owns the program's state; closing it ends the program.
class MainWindow : public QWidget, public ProgramView {
  Q_OBJECT

 public:
  // Builds the window and runs its creation step; the window stays hidden.
  MainWindow(ProcessPlatform& platform, SystemServices& system);
  ~MainWindow() override;

  Program& program() { return program_; }

  // The other windows, shown from here; the Options window also mirrors the program's options.
  void setDonationWindow(QWidget* donationWindow);
  void setOptionsWindow(OptionsWindow* optionsWindow);
  void setAboutWindow(QWidget* aboutWindow);

  // ProgramView
  void ShowFailure() override;
  void ShowMode(std::optional<Mode> mode) override;
  void ShowOptions(const Options& options) override;
  void ShowProfileIndex(int index) override;
  void ShowProfileList(const LineList& entries) override;
  void ShowExclusionList(const LineList& names) override;
  void SetRefreshInterval(int milliseconds) override;
  void SetCaption(CaptionTarget target, const std::string& text) override;
  void SetModeItems(const std::array<std::string, kModeItemCount>& captions) override;
  void ExtraCaptionsChanged() override;

  // Handlers, each beside its layout name.
  void onRefreshTimer();                                              // Timer1Timer
  void onStartupTimer();                                              // Timer2Timer
  void onProcessColumnClicked(int column);                            // ListView1ColumnClick
  void onProcessViewKeyUp(int key, Qt::KeyboardModifiers modifiers);  // ListView1KeyUp
  void onProfileListKeyUp(int key, Qt::KeyboardModifiers modifiers);  // ListBox1KeyUp
  void onModeChosen(int item);                                        // RadioGroup1Click
  void onProfileChosen(int index);                                    // ComboBox1Change
  void onSetEntryTriggered(int entry);                                // CPU11Click ... N12342Click
  void onIsolateTriggered();                                          // Isolate1Click
  void onExcludeTriggered();                                          // Exclude1Click
  void onDeleteProfileEntriesTriggered();                             // Delete1Click
  void onDeleteExclusionsTriggered();                                 // Delete2Click
  void onShowTriggered();                                             // Show1Click
  // Automatic1Click, Manual1Click, CPU12Click, CPU1Click, Off1Click
  void onTrayModeTriggered(Mode mode);
  void onDonationTriggered();                              // Donation1Click
  void onExitTriggered();                                  // Exit1Click
  void onOptionsClicked();                                 // Button1Click
  void onAboutLinkClicked();                               // Panel3Click
  void onBannerClicked();                                  // Image1Click
  void onTrayDoubleClicked();                              // the tray icon's double click
  void onTrayMenuRequested(const QPoint& globalPosition);  // the tray icon's menu request
  // On machines with more than four CPUs: an item of the machine's own sets under "All CPUs" or
  // "Add to list", and "Choose CPUs…", which opens ChooseCpusDialog.
  void onMachineSetTriggered(const CpuSet& set, bool addToList);
  void onChooseCpusTriggered(bool addToList);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildHeader();
  void buildProcessTable();
  void buildSidePanel();
  QWidget* buildProfilePage();
  void buildMenus();
  void buildProcessMenu();
  void buildTrayMenu();
  void buildListMenus();
  // On a machine with more than four CPUs, "All CPUs" and "Add to list" offer the machine's sets in
  // the current language instead of the four-CPU submenus.
  void showMachineSets();
  // A list's context menu with its one item, "Delete", which it returns.
  QAction* addListMenu(QListWidget* list, const char* menuName, const char* deleteName);
  QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption);
  void startTimers();
  void prepareProgram();  // FormCreate
  void showLocaleBanner();
  void endProgram();  // FormClose
  void checkTrayMode(std::optional<Mode> mode);
  void bringUp(QWidget* window);

  Program program_;
  bool failureShown_ = false;
  QPointer<QWidget> donationWindow_;
  QPointer<OptionsWindow> optionsWindow_;
  QPointer<QWidget> aboutWindow_;

  QWidget* header_;          // Panel5
  QLabel* title_;            // Panel2
  ClickLabel* aboutLink_;    // Panel3
  QWidget* bannerPanel_;     // Panel7
  ClickLabel* banner_;       // Image1
  QSplitter* splitter_;      // Splitter2
  QTableView* processView_;  // ListView1
  ProcessTableModel* processModel_;
  QScrollArea* sidePanel_;  // ScrollBox1
  RadioGroup* modeGroup_;   // RadioGroup1
  QTabWidget* listTabs_;    // PageControl1
  QWidget* profilePage_;    // TabSheet1
  QWidget* exclusionPage_;  // TabSheet2
  // GroupBox1, the captionless group around the profile: a plain container, since a frame there
  // would be the fourth one nested inside the tab.
  QWidget* profileGroup_;
  QGroupBox* profileSelectorGroup_;   // GroupBox4
  ProfileComboBox* profileSelector_;  // ComboBox1
  QListWidget* profileList_;          // ListBox1
  QListWidget* exclusionList_;        // ListBox2
  QPushButton* optionsButton_;        // Button1
  QTimer* refreshTimer_;              // Timer1
  QTimer* startupTimer_;              // Timer2
  TrayIcon* trayIcon_;

  QMenu* processMenu_;  // PopupMenu1
  QMenu* trayMenu_;     // PopupMenu2
  // The tray menu's mode items (Automatic1, Manual1, CPU12, CPU1, Off1) in the order of kModes.
  std::array<QAction*, kModes.size()> trayModeActions_{};
  // AllCPUs1 and Addtolist1, refilled on machines with more than four CPUs.
  QMenu* allCpusMenu_;
  QMenu* addToListMenu_;
};

}  // namespace mervale
