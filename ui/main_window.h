// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

#include <optional>

#include "engine/mode.h"
#include "store/line_list.h"

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTableView;

namespace mervale {

class CaptionBoard;
class ClickLabel;
class ProcessMenu;
class ProcessTableModel;
class ProfileComboBox;
class Program;
class RadioGroup;

// TForm1 (Form1): the main window: the process table with its menu, the mode, the profiles and the
// exclusion list. Closing it ends the program.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  // Builds the window hidden and binds its captions.
  MainWindow(Program& program, CaptionBoard& captions);

  ProcessMenu& processMenu() { return *processMenu_; }

  // What the program shows here.
  void showMode(std::optional<Mode> mode);
  // Replaces the mode selector's items; it then has no selected item until showMode.
  void showModeItems(const QStringList& items);
  void showProfileIndex(int index);
  void showProfileList(const LineList& entries);
  void showExclusionList(const LineList& names);
  void showLocaleBanner();

  // Handlers, each beside its layout name.
  void onProcessColumnClicked(int column);                            // ListView1ColumnClick
  void onProcessViewKeyUp(int key, Qt::KeyboardModifiers modifiers);  // ListView1KeyUp
  void onProfileListKeyUp(int key, Qt::KeyboardModifiers modifiers);  // ListBox1KeyUp
  void onExclusionListKeyUp(int key);                                 // ListBox2KeyUp
  void onModeChosen(int item);                                        // RadioGroup1Click
  void onProfileChosen(int index);                                    // ComboBox1Change
  void onDeleteProfileEntriesTriggered();                             // Delete1Click
  void onDeleteExclusionsTriggered();                                 // Delete2Click
  void onExitTriggered();                                             // Exit1Click
  void onOptionsClicked();                                            // Button1Click
  void onAboutLinkClicked();                                          // Panel3Click
  void onBannerClicked();                                             // Image1Click
  void onTrayDoubleClicked();  // the tray icon's double click (or click)

  // Shows the window as it was before it went into the tray or was minimised.
  void showFromTray();
  // Shows it and brings it to the front, with the desktop's permission `activationToken` when the
  // start that asks for it has one (a second start of the program).
  void bringForward(const QByteArray& activationToken = {});

 signals:
  void optionsRequested();
  void aboutRequested();
  // The window closes, and the program ends with it (FormClose).
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildHeader(CaptionBoard& captions);
  void buildProcessTable(CaptionBoard& captions);
  // Widens the CPU column to the texts of these rows, up to a limit and the table's visible width;
  // it never narrows it.
  void fitCpuColumn(int first, int last);
  void buildSidePanel(CaptionBoard& captions);
  QWidget* buildProfilePage(CaptionBoard& captions);
  // The header's arrow on the column the table is sorted by, pointing its way.
  void showSortIndicator();
  // A list's context menu with its one item, "Delete", which it returns.
  QAction* addListMenu(QListWidget* list, const char* menuName, const char* deleteName);

  Program& program_;

  QWidget* header_;          // Panel5
  QLabel* title_;            // Panel2
  ClickLabel* aboutLink_;    // Panel3
  QWidget* bannerPanel_;     // Panel7
  ClickLabel* banner_;       // Image1
  QSplitter* splitter_;      // Splitter2
  QTableView* processView_;  // ListView1
  ProcessTableModel* processModel_;
  ProcessMenu* processMenu_;  // PopupMenu1
  QScrollArea* sidePanel_;    // ScrollBox1
  RadioGroup* modeGroup_;     // RadioGroup1
  QTabWidget* listTabs_;      // PageControl1
  QWidget* profilePage_;      // TabSheet1
  QWidget* exclusionPage_;    // TabSheet2
  // GroupBox1, the captionless group around the profile: a plain container, since a frame there
  // would be the fourth one nested inside the tab.
  QWidget* profileGroup_;
  QGroupBox* profileSelectorGroup_;   // GroupBox4
  ProfileComboBox* profileSelector_;  // ComboBox1
  QListWidget* profileList_;          // ListBox1
  QListWidget* exclusionList_;        // ListBox2
  QPushButton* optionsButton_;        // Button1
};

}  // namespace mervale
