#include "ui/choose_cpus_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cstddef>

#include "engine/program.h"
#include "engine/set_menus.h"
#include "ui/error_box.h"
#include "ui/program_text.h"

namespace mervale {
namespace {

// Cores side by side in one row of the grid: as many as fit a dialog's width with their threads.
int CoresPerRow(const CpuTopology& topology) {
  std::size_t threads = 1;
  for (const CpuNumbers& core : topology.cores) threads = std::max(threads, core.size());
  return threads > 1 ? 4 : 8;
}

}  // namespace

ChooseCpusDialog::ChooseCpusDialog(Program& program, bool addToList, QWidget* parent)
    : QDialog(parent), program_(program), addToList_(addToList) {
  setObjectName(QStringLiteral("ChooseCpusForm"));
  setWindowTitle(ProgramText(program.Caption(BigMachineCaption::kChooseCpusTitle)));

  auto* scroll = new QScrollArea(this);
  scroll->setObjectName(QStringLiteral("ScrollBox1"));
  scroll->setWidgetResizable(true);
  scroll->setWidget(buildCoreGrid(FirstSelectedSet(program.Engine().Table())));

  auto* buttons = new QDialogButtonBox(this);
  okButton_ = buttons->addButton(ProgramText(program.Caption(BigMachineCaption::kOkButton)),
                                 QDialogButtonBox::AcceptRole);
  okButton_->setObjectName(QStringLiteral("OkButton"));
  okButton_->setDefault(true);
  QPushButton* cancel = buttons->addButton(
      ProgramText(program.Caption(BigMachineCaption::kCancelButton)), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelButton"));
  connect(okButton_, &QPushButton::clicked, this, &ChooseCpusDialog::onOkClicked);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll, 1);
  layout->addWidget(buttons);
  // Big machines scroll inside a window that still fits a small screen.
  const QSize wanted = scroll->widget()->sizeHint() + QSize(40, 80);
  resize(std::min(wanted.width(), 760), std::min(wanted.height(), 520));
  updateOk();
}

QWidget* ChooseCpusDialog::buildCoreGrid(const CpuSet& preset) {
  const CpuTopology& topology = program_.Topology();
  auto* grid = new QWidget;
  auto* layout = new QGridLayout(grid);
  const int perRow = CoresPerRow(topology);
  const std::string coreCaption = program_.Caption(BigMachineCaption::kCoreItem);
  cores_.reserve(topology.cores.size());
  for (std::size_t i = 0; i < topology.cores.size(); ++i) {
    const CpuNumbers& threads = topology.cores[i];
    auto* cell = new QWidget(grid);
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 12, 0);
    CoreBoxes core{nullptr, {}};
    const int number = static_cast<int>(i + 1);
    if (threads.size() > 1) {
      core.core = new QCheckBox(ProgramText(WithNumber(coreCaption, number)), cell);
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
    layout->addWidget(cell, static_cast<int>(i) / perRow, static_cast<int>(i) % perRow);
    cores_.push_back(std::move(core));
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
  layout->setRowStretch(layout->rowCount(), 1);
  return grid;
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
