// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/choose_cpus_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cstddef>
#include <utility>

#include "engine/cpu_list_text.h"
#include "engine/program.h"
#include "engine/set_menus.h"
#include "ui/error_box.h"
#include "ui/program_text.h"

namespace mervale {
namespace {

// The widest the dialog grows on a large screen: wider rows of boxes are no easier to read.
constexpr int kWidestDialog = 1100;
// What the dialog's frame, margins and group boxes take of its width, beside the scroll bar.
constexpr int kFrameWidth = 80;

}  // namespace

ChooseCpusDialog::ChooseCpusDialog(Program& program, bool addToList, QWidget* parent)
    : QDialog(parent), program_(program), addToList_(addToList) {
  setObjectName(QStringLiteral("ChooseCpusForm"));
  setWindowTitle(ProgramText(program.Caption(AddedCaption::kChooseCpusTitle)));

  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("ScrollBox1"));
  scroll->setWidgetResizable(true);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidget(buildGroups(program.FirstSelectedSet()));

  auto* buttons = new QDialogButtonBox(this);
  const auto addButton = [buttons](const std::string& text, QDialogButtonBox::ButtonRole role,
                                   const char* name) {
    QPushButton* button = buttons->addButton(ProgramText(text), role);
    button->setObjectName(QString::fromLatin1(name));
    return button;
  };
  QPushButton* all = addButton(program.Caption(AddedCaption::kAllButton),
                               QDialogButtonBox::ResetRole, "AllButton");
  QPushButton* none = addButton(program.Caption(AddedCaption::kNoneButton),
                                QDialogButtonBox::ResetRole, "NoneButton");
  const std::string whatOkDoes =
      addToList ? program.Caption(AddedCaption::kAddToProfileButton)
                : WithNumber(program.Caption(AddedCaption::kSetForSelectedButton),
                             program.SelectedProcessCount());
  okButton_ = addButton(whatOkDoes, QDialogButtonBox::AcceptRole, "OkButton");
  okButton_->setDefault(true);
  QPushButton* cancel = addButton(program.Caption(AddedCaption::kCancelButton),
                                  QDialogButtonBox::RejectRole, "CancelButton");
  connect(all, &QPushButton::clicked, this, [this] { checkAll(true); });
  connect(none, &QPushButton::clicked, this, [this] { checkAll(false); });
  connect(okButton_, &QPushButton::clicked, this, &ChooseCpusDialog::onOkClicked);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addWidget(buttons);
  // As wide as the boxes need with room for the scroll bar, as tall as fits the screen.
  const QSize available = screen()->availableGeometry().size();
  const QSize wanted = scroll->widget()->sizeHint() +
                       QSize(kFrameWidth / 2 + scroll->verticalScrollBar()->sizeHint().width(),
                             buttons->sizeHint().height() + kFrameWidth);
  resize(std::min(wanted.width(), available.width()),
         std::min(wanted.height(), available.height() * 4 / 5));
  updateOk();
}

QWidget* ChooseCpusDialog::buildGroups(const CpuSet& preset) {
  const CpuTopology& topology = program_.Topology();
  const CpuSet online = CpuSet::FromNumbers(topology.online);
  const std::vector<CpuGroup> parts = CpuGroupsOf(
      topology, online, [this](AddedCaption caption) { return program_.Caption(caption); });
  std::vector<CpuSet> groupCpus;
  for (const CpuGroup& part : parts) groupCpus.push_back(part.cpus);

  auto* page = new QWidget;
  std::vector<std::vector<QWidget*>> cellsOf(std::max<std::size_t>(parts.size(), 1));
  int widestCell = 0;
  cores_.reserve(topology.cores.size());
  for (std::size_t i = 0; i < topology.cores.size(); ++i) {
    const CoreCell cell = buildCore(i, preset, groupCpus);
    cell.cell->setParent(page);
    widestCell = std::max(widestCell, cell.cell->sizeHint().width());
    cellsOf[std::min(cell.group, cellsOf.size() - 1)].push_back(cell.cell);
  }
  // The boxes point into cores_, which no longer grows.
  for (const CoreBoxes& core : cores_) {
    for (QCheckBox* thread : core.threads) {
      connect(thread, &QCheckBox::toggled, this, [this, &core] {
        showCoreState(core);
        updateOk();
      });
    }
    if (core.core)
      connect(core.core, &QCheckBox::clicked, this, [this, &core] { onCoreClicked(core); });
    showCoreState(core);
  }

  // Cores side by side as many as fit the screen's width, so nothing scrolls sideways.
  const int width = std::min(screen()->availableGeometry().width(), kWidestDialog) - kFrameWidth -
                    style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  int perRow = std::max(1, width / std::max(widestCell, 1));
  auto* layout = new QVBoxLayout(page);
  std::vector<std::pair<QGridLayout*, const std::vector<QWidget*>*>> grids;
  for (std::size_t group = 0; group < cellsOf.size(); ++group) {
    if (cellsOf[group].empty()) continue;
    QWidget* holder = page;
    if (parts.size() > 1) {
      auto* box = new QGroupBox(ProgramText(GroupCaption(parts[group])), page);
      box->setObjectName(QStringLiteral("Group%1").arg(group + 1));
      holder = box;
    }
    auto* grid = new QGridLayout;
    for (QWidget* cell : cellsOf[group]) cell->setParent(holder);
    grids.emplace_back(grid, &cellsOf[group]);
    if (holder == page) {
      layout->addLayout(grid);
    } else {
      holder->setLayout(grid);
      layout->addWidget(holder);
    }
  }
  layout->addStretch();
  const auto placeCells = [&grids](int columns) {
    for (const auto& [grid, cells] : grids) {
      for (std::size_t i = 0; i < cells->size(); ++i) {
        grid->removeWidget((*cells)[i]);
        grid->addWidget((*cells)[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
      }
      grid->setColumnStretch(columns + 1, 0);
      grid->setColumnStretch(columns, 1);
    }
  };
  placeCells(perRow);
  // Styles differ in their spacing and margins: while the rows come out wider than the room, one
  // core fewer a row.
  while (perRow > 1 && page->minimumSizeHint().width() > width) placeCells(--perRow);
  return page;
}

ChooseCpusDialog::CoreCell ChooseCpusDialog::buildCore(std::size_t index, const CpuSet& preset,
                                                       const std::vector<CpuSet>& groups) {
  const CpuNumbers& threads = program_.Topology().cores[index];
  auto* cell = new QWidget;
  auto* row = new QHBoxLayout(cell);
  row->setContentsMargins(0, 0, 12, 0);
  CoreBoxes core{nullptr, {}};
  const int number = static_cast<int>(index + 1);
  if (threads.size() > 1) {
    const std::string caption = WithNumber(program_.Caption(AddedCaption::kCoreItem), number);
    core.core = new QCheckBox(ProgramText(caption), cell);
    core.core->setObjectName(QStringLiteral("Core%1").arg(number));
    row->addWidget(core.core);
  }
  for (const unsigned cpu : threads) {
    auto* box = new QCheckBox(QString::number(cpu + 1), cell);
    box->setObjectName(QStringLiteral("Cpu%1").arg(cpu + 1));
    box->setChecked(preset.Contains(cpu));
    row->addWidget(box);
    core.threads.push_back(box);
    cpuBoxes_.push_back(box);
    cpuOfBox_.push_back(cpu);
  }
  row->addStretch();
  cores_.push_back(std::move(core));
  // A core goes with the group of its first thread.
  const auto group = std::ranges::find_if(
      groups, [&](const CpuSet& cpus) { return cpus.Contains(threads.front()); });
  return {cell, static_cast<std::size_t>(group - groups.begin())};
}

CpuSet ChooseCpusDialog::chosen() const {
  CpuSet set;
  for (std::size_t i = 0; i < cpuBoxes_.size(); ++i) {
    if (cpuBoxes_[i]->isChecked()) set.Add(cpuOfBox_[i]);
  }
  return set;
}

void ChooseCpusDialog::onOkClicked() {
  RunGuarded(this, [this] { program_.ApplySetToSelected(chosen(), addToList_); });
  accept();
}

void ChooseCpusDialog::checkAll(bool checked) {
  for (QCheckBox* box : cpuBoxes_) box->setChecked(checked);
}

// A core's box checks all its threads, or clears them when all were checked.
void ChooseCpusDialog::onCoreClicked(const CoreBoxes& core) {
  const bool all = std::ranges::all_of(core.threads, &QCheckBox::isChecked);
  for (QCheckBox* thread : core.threads) thread->setChecked(!all);
  showCoreState(core);
}

void ChooseCpusDialog::showCoreState(const CoreBoxes& core) {
  if (!core.core) return;
  const auto checked = std::ranges::count_if(core.threads, &QCheckBox::isChecked);
  const bool all = checked == static_cast<std::ptrdiff_t>(core.threads.size());
  core.core->setCheckState(all ? Qt::Checked : checked > 0 ? Qt::PartiallyChecked : Qt::Unchecked);
}

void ChooseCpusDialog::updateOk() {
  okButton_->setEnabled(std::ranges::any_of(cpuBoxes_, &QCheckBox::isChecked));
}

}  // namespace mervale
