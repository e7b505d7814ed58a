#include "engine/set_entries.h"

#include <array>

namespace mervale {
namespace {

constexpr std::array kEntries{
    SetEntry{"CPU11Click", CpuFlags{1, 0, 0, 0}, false},
    SetEntry{"CPU21Click", CpuFlags{0, 1, 0, 0}, false},
    SetEntry{"CPU31Click", CpuFlags{0, 0, 1, 0}, false},
    SetEntry{"CPU41Click", CpuFlags{0, 0, 0, 1}, false},
    SetEntry{"CPU121Click", CpuFlags{1, 1, 0, 0}, false},
    SetEntry{"N131Click", CpuFlags{1, 0, 1, 0}, false},
    SetEntry{"N141Click", CpuFlags{1, 0, 0, 1}, false},
    SetEntry{"N231Click", CpuFlags{0, 1, 1, 0}, false},
    SetEntry{"N241Click", CpuFlags{0, 1, 0, 1}, false},
    SetEntry{"CPU341Click", CpuFlags{0, 0, 1, 1}, false},
    SetEntry{"N1231Click", CpuFlags{1, 1, 1, 0}, false},
    SetEntry{"N1241Click", CpuFlags{1, 1, 0, 1}, false},
    SetEntry{"N1341Click", CpuFlags{1, 0, 1, 1}, false},
    SetEntry{"N2341Click", CpuFlags{0, 1, 1, 1}, false},
    SetEntry{"N12341Click", CpuFlags{1, 1, 1, 1}, false},
    SetEntry{"N12Click", CpuFlags{1, 0, 0, 0}, true},
    SetEntry{"N22Click", CpuFlags{0, 1, 0, 0}, true},
    SetEntry{"N32Click", CpuFlags{0, 0, 1, 0}, true},
    SetEntry{"N42Click", CpuFlags{0, 0, 0, 1}, true},
    SetEntry{"N122Click", CpuFlags{1, 1, 0, 0}, true},
    SetEntry{"N132Click", CpuFlags{1, 0, 1, 0}, true},
    SetEntry{"N142Click", CpuFlags{1, 0, 0, 1}, true},
    SetEntry{"N232Click", CpuFlags{0, 1, 1, 0}, true},
    SetEntry{"N242Click", CpuFlags{0, 1, 0, 1}, true},
    SetEntry{"N342Click", CpuFlags{0, 0, 1, 1}, true},
    SetEntry{"N1232Click", CpuFlags{1, 1, 1, 0}, true},
    SetEntry{"N1242Click", CpuFlags{1, 1, 0, 1}, true},
    SetEntry{"N1342Click", CpuFlags{1, 0, 1, 1}, true},
    SetEntry{"N2342Click", CpuFlags{0, 1, 1, 1}, true},
    SetEntry{"N12342Click", CpuFlags{1, 1, 1, 1}, true},
};

constexpr std::array kGroups{
    SetMenuGroup{"", "AllCPUs1", "All CPUs"},
    SetMenuGroup{"AllCPUs1", "OneCPU1", "1 CPU"},
    SetMenuGroup{"AllCPUs1", "woCPUs1", "2 CPUs"},
    SetMenuGroup{"AllCPUs1", "hreeCPUs1", "3 CPUs"},
    SetMenuGroup{"AllCPUs1", "FourCPUs1", "4 CPUs"},
    SetMenuGroup{"", "Addtolist1", "Add to list"},
    SetMenuGroup{"Addtolist1", "OneCPU2", "1 CPU"},
    SetMenuGroup{"Addtolist1", "woCPUs2", "2 CPUs"},
    SetMenuGroup{"Addtolist1", "hreeCPUs2", "3 CPUs"},
    SetMenuGroup{"Addtolist1", "FourCPUs2", "4 CPUs"},
};

constexpr std::array kItems{
    SetMenuItem{"CPU11", "CPU 1", "", 0},               // CPU11Click
    SetMenuItem{"CPU21", "CPU 2", "", 1},               // CPU21Click
    SetMenuItem{"CPU31", "CPU 3", "", 2},               // CPU31Click
    SetMenuItem{"CPU41", "CPU 4", "", 3},               // CPU41Click
    SetMenuItem{"CPU121", "CPU 1+2", "", 4},            // CPU121Click
    SetMenuItem{"CPU341", "CPU 3+4", "", 9},            // CPU341Click
    SetMenuItem{"N11", "1", "OneCPU1", 0},              // CPU11Click
    SetMenuItem{"N21", "2", "OneCPU1", 1},              // CPU21Click
    SetMenuItem{"N31", "3", "OneCPU1", 2},              // CPU31Click
    SetMenuItem{"N41", "4", "OneCPU1", 3},              // CPU41Click
    SetMenuItem{"N121", "1+2", "woCPUs1", 4},           // CPU121Click
    SetMenuItem{"N131", "1+3", "woCPUs1", 5},           // N131Click
    SetMenuItem{"N141", "1+4", "woCPUs1", 6},           // N141Click
    SetMenuItem{"N231", "2+3", "woCPUs1", 7},           // N231Click
    SetMenuItem{"N241", "2+4", "woCPUs1", 8},           // N241Click
    SetMenuItem{"N341", "3+4", "woCPUs1", 9},           // CPU341Click
    SetMenuItem{"N1231", "1+2+3", "hreeCPUs1", 10},     // N1231Click
    SetMenuItem{"N1241", "1+2+4", "hreeCPUs1", 11},     // N1241Click
    SetMenuItem{"N1341", "1+3+4", "hreeCPUs1", 12},     // N1341Click
    SetMenuItem{"N2341", "2+3+4", "hreeCPUs1", 13},     // N2341Click
    SetMenuItem{"N12341", "1+2+3+4", "FourCPUs1", 14},  // N12341Click
    SetMenuItem{"N12", "1", "OneCPU2", 15},             // N12Click
    SetMenuItem{"N22", "2", "OneCPU2", 16},             // N22Click
    SetMenuItem{"N32", "3", "OneCPU2", 17},             // N32Click
    SetMenuItem{"N42", "4", "OneCPU2", 18},             // N42Click
    SetMenuItem{"N122", "1+2", "woCPUs2", 19},          // N122Click
    SetMenuItem{"N132", "1+3", "woCPUs2", 20},          // N132Click
    SetMenuItem{"N142", "1+4", "woCPUs2", 21},          // N142Click
    SetMenuItem{"N232", "2+3", "woCPUs2", 22},          // N232Click
    SetMenuItem{"N242", "2+4", "woCPUs2", 23},          // N242Click
    SetMenuItem{"N342", "3+4", "woCPUs2", 24},          // N342Click
    SetMenuItem{"N1232", "1+2+3", "hreeCPUs2", 25},     // N1232Click
    SetMenuItem{"N1242", "1+2+4", "hreeCPUs2", 26},     // N1242Click
    SetMenuItem{"N1342", "1+3+4", "hreeCPUs2", 27},     // N1342Click
    SetMenuItem{"N2342", "2+3+4", "hreeCPUs2", 28},     // N2342Click
    SetMenuItem{"N12342", "1+2+3+4", "FourCPUs2", 29},  // N12342Click
};

}  // namespace

std::span<const SetEntry> SetEntries() {
  return kEntries;
}

std::span<const SetMenuGroup> SetMenuGroups() {
  return kGroups;
}

std::span<const SetMenuItem> SetMenuItems() {
  return kItems;
}

}  // namespace mervale
