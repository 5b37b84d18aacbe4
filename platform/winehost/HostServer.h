#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "platform/winehost/HostProtocol.h"
#include "platform/winehost/HostRunWait.h"

namespace platform::wire {

// Answers host-protocol requests (HostProtocol.h) by calling a backend: one
// table maps each operation to the backend call that answers it. It does no
// input or output itself: winehost.exe feeds it the frames read from stdin
// and writes its replies to stdout; the tests feed it in process.
class CHostServer {
public:
    // `unixPath` maps a Windows path to the Linux path behind it; only the
    // host under Wine can answer that.
    using UnixPathFunction = std::string (*)(const std::string& windowsPath);
    // `enumValueData` reads a value's name, type and data in one call
    // (RegEnumValueA); without it a snapshot takes two calls per value.
    using EnumValueDataFunction = std::function<uint32_t(RegKey key, uint32_t index, std::string* name, uint32_t* type,
                                                         std::string* data, uint32_t dataLimit)>;
    // `readChildren` reads the values of all named subkeys of a key at once
    // (status and values per name, in order); false when it cannot, and the
    // subkeys are then opened one by one.
    using ReadChildrenFunction =
        std::function<bool(Hive hive, const std::string& path, uint32_t access, const std::vector<std::string>& names,
                           std::vector<ChildSnapshot>* children)>;
    // `readTree` reads the names of all subkeys of a key, in enumeration
    // order, with the values of each (status and values per name) at once;
    // false when it cannot, and the names are then enumerated one by one.
    using ReadTreeFunction = std::function<bool(Hive hive, const std::string& path, uint32_t access,
                                                std::vector<std::string>* names, std::vector<ChildSnapshot>* children)>;
    CHostServer(IRegistry& targetRegistry, ISystem& targetSystem, IFileSystem& targetFiles,
                UnixPathFunction unixPathCall = nullptr, EnumValueDataFunction enumValueDataCall = nullptr,
                ReadChildrenFunction readChildrenCall = nullptr, ReadTreeFunction readTreeCall = nullptr);

    // The frame the host sends before its first request.
    std::string Greeting();

    // Handles one request payload. Returns the reply frame, or an empty
    // string for a request that gets no reply. `quit` is set when the host
    // should end (a Quit request or a request that cannot be parsed).
    std::string Handle(const std::string& payload, bool* quit);

    // Whether the table answers `op`.
    bool Serves(Op op) const { return handlers.count(static_cast<uint32_t>(op)) != 0; }
    // Whether the request in `payload` is a bulk call, whose host sends
    // progress frames while it works on it (Limit::Bulk).
    bool SendsProgress(const std::string& payload) const;

private:
    // Decodes the request, answers it and encodes the reply into `reply`
    // (left empty for a call without reply). False when the request is
    // broken.
    using Handler = std::function<bool(WireReader& in, std::string* reply)>;
    template <class C, class F> void On(F answer);

    uint32_t Open(bool create, const OpenRequest& request, OpenReply* reply);
    uint32_t ReadSubKeys(const calls::ReadChildrenRequest& request, calls::ReadChildrenReply* reply);
    KeySnapshot Snapshot(RegKey key, uint32_t access, bool subKeys = true);

    std::map<uint32_t, Handler> handlers;
    std::set<uint32_t> bulkOps;

    IRegistry& registry;
    ISystem& system;
    IFileSystem& files;
    UnixPathFunction unixPath;
    EnumValueDataFunction enumValueData;
    ReadChildrenFunction readChildren;
    ReadTreeFunction readTree;
    CHostRunWait runWait;
};

} // namespace platform::wire
