#include "bench/MemoryRun.h"

#include "bench/Measure.h"
#include "bench/WindowRun.h"
#include "bench/Workspace.h"
#include "ui/main/FolderSelection.h"
#include "ui/restore/RestoreView.h"

#include <cstdio>

namespace bench {

// Where the memory goes: " step:working set:peak" after a step.
void AddMemoryPhase(std::string& phases, const char* name) {
    phases += std::string(" ") + name + ":" + std::to_string(WorkingSet()) + ":" +
              std::to_string(PeakWorkingSet());
}

// Peak memory is a figure of the whole process, so it is taken in a process
// of its own that runs the window's operations once.
int MemoryChild(size_t size) {
    const std::wstring root = TreeRoot(size), app = AppFolder(size) + L"-memory";
    ResetListFile(app);
    auto form = NewForm(app);
    if (!form->Create())
        return 1;
    Show(*form);
    form->WaitForList();
    const size_t base = WorkingSet();
    std::string phases;
    const auto phase = [&phases](const char* name) { AddMemoryPhase(phases, name); };
    form->SetText(ui::TxtFolder, root);
    form->folderSelection().SetIncludeSubdirectories(true);
    const size_t targets = form->TargetList().Count();
    phase("walk");
    form->SetText(ui::TxtToolTip, L"Bench tooltip");
    form->apply().Command1_Click();
    phase("apply");
    form.reset();
    phase("closed");
    auto again = NewForm(app);
    again->Create();
    Show(*again);
    again->WaitForList();
    phase("start-up");
    again->restoreView().Command2_Click();
    SendMessageW(again->Control(ui::chkSelect), BM_SETCHECK, BST_CHECKED, 0);
    again->restoreView().chkSelect_Click();
    again->restoreView().cmdRestore_Click();
    phase("restore");
    again.reset();
    const std::string line = std::to_string(base) + " " + std::to_string(PeakWorkingSet()) + " " +
                             std::to_string(targets) + phases;
    return WriteFileText(TempFolder() + L"\\memory.txt", line) ? 0 : 1;
}

void MeasureMemory(size_t size, SizeResult& r) {
    const std::wstring resultFile = TempFolder() + L"\\memory.txt";
    DeleteFileW(resultFile.c_str());
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command =
        L"\"" + std::wstring(exe) + L"\" --memory-child " + std::to_wstring(size);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        r.problems.emplace_back("the memory run could not start");
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::string text = ReadFileText(resultFile);
    size_t targets = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%zu %zu %zu%n", &r.memoryBase, &r.memoryPeak, &targets, &used) !=
        3) {
        r.problems.emplace_back("the memory run gave no figures");
        return;
    }
    r.memoryPhases = text.substr(static_cast<size_t>(used));
}

} // namespace bench
