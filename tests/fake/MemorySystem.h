#pragma once

#include "platform/System.h"

// System facts of a test machine: the architecture is chosen by the test,
// the ANSI code page is 1252 (Western European).
class MemorySystem : public platform::ISystem {
public:
    explicit MemorySystem(uint16_t architecture = platform::kArchitectureAmd64) : architecture_(architecture) {}

    uint16_t NativeProcessorArchitecture() override { return architecture_; }
    uint32_t AnsiCodePage() override { return 1252; }
    uint32_t AnsiToUtf8(const std::vector<std::string>& texts, std::vector<std::string>* utf8) override;

    // Code page 1252 to UTF-8, up to the first zero byte.
    static std::string Cp1252ToUtf8(const std::string& text);

private:
    uint16_t architecture_;
};
