#include "fake_system_support.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "engine/catalogue.h"

namespace cvinst {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path + std::string(name);
}

}  // namespace

void FakeRunSystem::AddFile(const std::string& path) { files_.insert(Lower(path)); }

void FakeRunSystem::RemoveFile(const std::string& path) { files_.erase(Lower(path)); }

std::string FakeRunSystem::PackagePath(int index) const {
    return Join(installerFolder, ProgramCatalogue[index].package);
}

void FakeRunSystem::AddPackage(int index) { AddFile(PackagePath(index)); }

void FakeRunSystem::RemovePackage(int index) { RemoveFile(PackagePath(index)); }

void FakeRunSystem::MarkInstalled(int index) {
    const Program& program = ProgramCatalogue[index];
    AddFile(Join(Join(programFiles, program.name), program.marker));
}

void FakeRunSystem::Answer(const std::string& verb, const std::string& package, MsiResult result) {
    answers_.emplace_back(verb, package, result);
}

std::string FakeRunSystem::FindFile(const std::string& path) {
    searched.push_back(path);
    if (!files_.count(Lower(path))) return {};
    return path.substr(path.rfind('\\') + 1);
}

MsiResult FakeRunSystem::RunMsiExec(const std::string& arguments) {
    msiCalls.push_back(arguments);
    if (duringMsiExec) duringMsiExec(arguments);
    if (pumpDuringMsiExec) DispatchPendingMessages();
    for (const auto& [verb, package, result] : answers_)
        if (arguments.rfind(verb, 0) == 0 && arguments.find(package) != std::string::npos)
            return result;
    return {true, 0};
}

bool FakeRunSystem::StartProcess(const std::string& exePath, const std::string& arguments) {
    started.push_back(exePath + "|" + arguments);
    return startSucceeds;
}

std::string FakeRunSystem::ErrorText(unsigned long code) {
    return "Message " + std::to_string(code) + ".";
}

bool DispatchPendingMessages() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

}  // namespace cvinst
