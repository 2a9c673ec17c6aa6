#include "fake_run_system.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "engine/catalogue.h"

namespace cvinst::testkit {
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

std::string FakeRunSystem::HoldStepLog(const std::string& path) {
    const auto problem = stepLogProblems.find(path);
    if (problem != stepLogProblems.end()) return problem->second;
    Record("HoldStepLog: " + path);
    return {};
}

void FakeRunSystem::Record(const std::string& entry) {
    if (record) record(entry);
}

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

void FakeRunSystem::Answer(const std::string& verb, const std::string& package, MsiResult result,
                           int times) {
    replies_.push_back({verb, package, result, times});
}

std::string FakeRunSystem::FindFile(const std::string& path) {
    searched.push_back(path);
    if (!files_.count(Lower(path))) return {};
    return path.substr(path.rfind('\\') + 1);
}

MsiResult FakeRunSystem::RunMsiExec(const std::string& arguments) {
    msiCalls.push_back(arguments);
    // A run that never stops ends the test instead of hanging it.
    if (msiCalls.size() > 1000) throw std::runtime_error("msiexec run over 1000 times");
    Record("RunMsiExec: " + arguments);
    if (duringMsiExec) duringMsiExec(arguments);
    now += msiexecTakesMs;
    for (Reply& reply : replies_) {
        if (reply.times == 0 || arguments.rfind(reply.verb, 0) != 0 ||
            arguments.find(reply.package) == std::string::npos) {
            continue;
        }
        if (reply.times > 0) --reply.times;
        return reply.result;
    }
    return {true, 0};
}

bool FakeRunSystem::MsiCommandFits(const std::string& arguments) {
    return arguments.size() <= longestArguments;
}

bool FakeRunSystem::StartProcess(const std::string& exePath, const std::string& arguments) {
    started.push_back(exePath + "|" + arguments);
    Record("StartProcess: " + exePath + "|" + arguments);
    return startSucceeds;
}

std::string FakeRunSystem::ErrorText(unsigned long code) {
    const auto text = errorTexts.find(code);
    return text != errorTexts.end() ? text->second : "Message " + std::to_string(code) + ".";
}

bool FakeRunSystem::Stopped(const StopAsked& stop) {
    if (!stop || !stop()) {
        stoppedInARow_ = 0;
        return false;
    }
    if (++stoppedInARow_ > 3) throw std::logic_error("the run kept waiting after it was stopped");
    return true;
}

bool FakeRunSystem::WaitForInstaller(unsigned long timeoutMs, const StopAsked& stop) {
    if (now >= installerBusyUntil) return true;
    if (timeoutMs == 0) return false;
    if (Stopped(stop)) {
        Record("WaitForInstaller: stopped");
        return false;
    }
    Record("WaitForInstaller: " + std::to_string(timeoutMs));
    if (now + timeoutMs >= installerBusyUntil) {
        now = installerBusyUntil;
        return true;
    }
    now += timeoutMs;
    return false;
}

void FakeRunSystem::Pause(unsigned long milliseconds, const StopAsked& stop) {
    if (Stopped(stop)) {
        Record("Pause: stopped");
        return;
    }
    Record("Pause: " + std::to_string(milliseconds));
    now += milliseconds;
}

}  // namespace cvinst::testkit
