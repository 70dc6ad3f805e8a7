// A stand-in engine library for testing the component's side of the call: it records the command
// record it was given, sends the callbacks a test scripts, and returns the scripted count (or
// throws, as a faulting engine would).
#pragma once

#include "engine/UNZDLL.h"
#include "engine/ZIPDLL.h"

#include <string>
#include <vector>

struct FakeCallback {
    std::int32_t action;
    std::int32_t error;
    std::int32_t size;
    std::string text;
};

struct FakeScript {
    std::int32_t result = 0;
    bool fault = false;
    std::vector<FakeCallback> callbacks;
};

struct FakeLog {
    int zipCalls = 0;
    int unzCalls = 0;
    ZipCommand zip{};
    UnzCommand unz{};
    std::string archive;
    std::string password;
    std::vector<std::string> specs;
    std::vector<std::int32_t> answers; // the callback's answers
    std::string currentFolder;         // host working folder during the call
};

extern "C" {
FakeScript* FakeEngineScript();
FakeLog* FakeEngineLog();
}
