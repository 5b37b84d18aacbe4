#include "platform/winehost/HostServer.h"

#include <utility>
#include <vector>

#include "platform/winehost/WireReader.h"
#include "platform/winehost/WireWriter.h"

namespace platform::wire {
namespace {

// Enough for any value name and any key name (in UTF-16 units).
constexpr uint32_t kNameBuffer = 32768;
// Fits nearly every name and value in one call.
constexpr uint32_t kShortBuffer = 4096;
// A snapshot bigger than this is not worth a round trip of its own: the
// client then asks for each value as it needs it.
constexpr size_t kSnapshotLimit = 8u * 1024u * 1024u;
constexpr uint32_t kValueLimit = 64u * 1024u * 1024u;
constexpr uint32_t kGeneric = 0x80000000u | 0x10000000u | 0x02000000u; // GENERIC_READ, _ALL, MAXIMUM_ALLOWED

} // namespace

CHostServer::CHostServer(IRegistry& targetRegistry, ISystem& targetSystem, IFileSystem& targetFiles,
                         UnixPathFunction unixPathCall, EnumValueDataFunction enumValueDataCall,
                         ReadChildrenFunction readChildrenCall, ReadTreeFunction readTreeCall)
    : registry(targetRegistry), system(targetSystem), files(targetFiles), unixPath(unixPathCall),
      enumValueData(std::move(enumValueDataCall)), readChildren(std::move(readChildrenCall)),
      readTree(std::move(readTreeCall)), runWait(targetSystem) {
    // The one dispatch: each operation and the backend call that answers it.
    using namespace calls;
    On<OpenKey>([this](const auto& in, auto* out) { return Open(false, in, out); });
    On<CreateKey>([this](const auto& in, auto* out) { return Open(true, in, out); });
    On<ReadChildren>([this](const auto& in, auto* out) { return ReadSubKeys(in, out); });
    On<EnumKey>(
        [this](const auto& in, auto* out) { return registry.EnumKey(in.key, in.index, in.bufferSize, &out->name); });
    On<QueryValue>([this](const auto& in, auto* out) {
        return registry.QueryValue(in.key, in.valueName, in.bufferSize, &out->type, &out->data);
    });
    On<QueryValueCount>([this](const auto& in, auto* out) { return registry.QueryValueCount(in.key, &out->count); });
    On<EnumValue>([this](const auto& in, auto* out) {
        return registry.EnumValue(in.key, in.index, in.bufferSize, &out->name, &out->type);
    });
    On<DeleteKey>([this](const auto& in, auto*) { return registry.DeleteKey(in.hive, in.subKey); });
    On<DeleteValue>([this](const auto& in, auto*) { return registry.DeleteValue(in.key, in.valueName); });
    On<CloseKey>([this](const auto& in, auto*) {
        registry.CloseKey(in.key);
        return static_cast<uint32_t>(kErrorSuccess);
    });
    On<SetValue>([this](const auto& in, auto*) { return registry.SetValue(in.key, in.valueName, in.type, in.data); });
    On<ExpandEnvironment>(
        [this](const auto& in, auto* out) { return system.ExpandEnvironment(in.texts, &out->texts); });
    On<InstallerKnowsProduct>(
        [this](const auto& in, auto* out) { return system.InstallerKnowsProduct(in.productCode, &out->known); });
    On<ListFolder>([this](const auto& in, auto* out) { return files.ListFolder(in.path, in.flags, &out->entries); });
    On<ListTree>([this](const auto& in, auto* out) { return files.ListTree(in.path, in.flags, &out->entries); });
    On<GetAttributes>([this](const auto& in, auto* out) { return files.GetAttributes(in.path, &out->attributes); });
    On<DeleteFile>([this](const auto& in, auto*) { return files.DeleteFile(in.path); });
    On<SetOwnerWriteOnly>([this](const auto& in, auto*) { return files.SetOwnerWriteOnly(in.path); });
    On<RemoveFolderAndEmptyParents>(
        [this](const auto& in, auto*) { return files.RemoveFolderAndEmptyParents(in.path); });
    On<CreationTime>([this](const auto& in, auto* out) { return files.CreationTime(in.path, &out->fileTime); });
    On<ModificationTime>([this](const auto& in, auto* out) { return files.ModificationTime(in.path, &out->fileTime); });
    On<ExtractIcon>(
        [this](const auto& in, auto* out) { return files.ExtractIcon(in.path, in.index, in.size, &out->image); });
    On<SpecialFolder>([this](const auto& in, auto* out) { return files.SpecialFolder(in.csidl, &out->path); });
    On<CreateFolder>([this](const auto& in, auto*) { return files.CreateFolder(in.path); });
    On<WriteFile>([this](const auto& in, auto*) { return files.WriteFile(in.path, in.content); });
    On<SetAttributes>([this](const auto& in, auto*) { return files.SetAttributes(in.path, in.attributes); });
    On<Stat>([this](const auto& in, auto* out) { return files.Stat(in.path, &out->stat); });
    On<MoveEntry>([this](const auto& in, auto* out) { return files.MoveEntry(in.from, in.to, &out->stat); });
    On<MovePaths>([this](const auto& in, auto* out) {
        out->from = unixPath ? unixPath(in.from) : std::string();
        out->to = unixPath ? unixPath(in.to) : std::string();
        out->statStatus = files.Stat(in.from, &out->stat);
        return static_cast<uint32_t>(kErrorSuccess);
    });
    On<SetTimes>([this](const auto& in, auto*) { return files.SetTimes(in.path, in.creationTime, in.writeTime); });
    On<FreeSpace>([this](const auto& in, auto* out) { return files.FreeSpace(in.path, &out->bytes); });
    On<HostFolderPath>([this](const auto& in, auto* out) { return files.HostFolderPath(in.path, &out->path); });
    On<FinalPath>([this](const auto& in, auto* out) { return files.FinalPath(in.path, &out->path); });
    On<RemoveFolder>([this](const auto& in, auto*) { return files.RemoveFolder(in.path); });
    On<UnixPath>([this](const auto& in, auto* out) {
        out->path = unixPath ? unixPath(in.path) : std::string();
        return static_cast<uint32_t>(out->path.empty() ? kErrorPathNotFound : kErrorSuccess);
    });
    On<RunStart>([this](const auto& in, auto* out) { return runWait.Start(in.commandLine, out); });
    On<RunPoll>([this](const auto& in, auto* out) { return runWait.Poll(in, out); });
    On<Start>([this](const auto& in, auto* out) {
        RunOutcome outcome;
        const uint32_t status = system.Start(in.commandLine, &outcome);
        out->started = outcome.started;
        out->startError = outcome.startError;
        return status;
    });
    On<RunWindows>(
        [this](const auto& in, auto* out) { return system.RunWindows(in.commandLine, in.raise, &out->count); });
    On<RunningImages>([this](const auto&, auto* out) { return system.RunningImages(&out->paths); });
    On<Quit>([](const auto&, auto*) { return static_cast<uint32_t>(kErrorSuccess); });
}

template <class C, class F> void CHostServer::On(F answer) {
    if (C::kLimit == Limit::Bulk) bulkOps.insert(static_cast<uint32_t>(C::kOp));
    handlers[static_cast<uint32_t>(C::kOp)] = [answer](WireReader& in, std::string* reply) {
        typename C::Request request;
        if (!DecodeRequest<C>(in, &request)) return false;
        typename C::Reply answered;
        const uint32_t status = answer(request, &answered);
        if (C::kReplies) *reply = EncodeReply<C>(status, answered);
        return true;
    };
}

bool CHostServer::SendsProgress(const std::string& payload) const {
    WireReader in(payload);
    const uint32_t op = in.U32();
    return !in.Failed() && bulkOps.count(op) != 0;
}

std::string CHostServer::Greeting() {
    wire::Greeting greeting; // the record, not this function
    greeting.architecture = system.NativeProcessorArchitecture();
    return EncodeFrame(greeting);
}

KeySnapshot CHostServer::Snapshot(RegKey key, uint32_t access, bool subKeys) {
    // Each registry call is a trip to Wine's server, so only the parts the
    // access allows are read, the common sizes are tried first and the
    // generous limits only when they do not fit.
    KeySnapshot snapshot;
    size_t total = 0;
    for (uint32_t index = 0; (access & (kKeyQueryValue | kGeneric)) != 0; ++index) {
        KeySnapshot::Value value;
        if (enumValueData) {
            const uint32_t status = enumValueData(key, index, &value.name, &value.type, &value.data, kValueLimit);
            if (status == kErrorNoMoreItems) {
                snapshot.hasValues = true;
                break;
            }
            total += value.name.size() + value.data.size() + 16;
            if (status != kErrorSuccess || total > kSnapshotLimit) break;
            snapshot.values.push_back(std::move(value));
            continue;
        }
        uint32_t status = registry.EnumValue(key, index, kShortBuffer, &value.name, &value.type);
        if (status == kErrorMoreData) status = registry.EnumValue(key, index, kNameBuffer, &value.name, &value.type);
        if (status == kErrorNoMoreItems) {
            snapshot.hasValues = true;
            break;
        }
        if (status != kErrorSuccess) break;
        // Read through the same call a direct query makes, so that a cached
        // answer is byte for byte what Windows answers.
        status = registry.QueryValue(key, value.name, kShortBuffer, &value.type, &value.data);
        if (status == kErrorMoreData)
            status = registry.QueryValue(key, value.name, kValueLimit, &value.type, &value.data);
        total += value.name.size() + value.data.size() + 16;
        if (status != kErrorSuccess || total > kSnapshotLimit) break;
        snapshot.values.push_back(std::move(value));
    }
    if (!snapshot.hasValues) snapshot.values.clear();
    total = 0;
    for (uint32_t index = 0; subKeys && (access & (kKeyEnumerateSubKeys | kGeneric)) != 0; ++index) {
        std::string name;
        uint32_t status = registry.EnumKey(key, index, kShortBuffer, &name);
        if (status == kErrorMoreData) status = registry.EnumKey(key, index, kNameBuffer, &name);
        if (status == kErrorNoMoreItems) {
            snapshot.hasSubKeys = true;
            break;
        }
        total += name.size() + 4;
        if (status != kErrorSuccess || total > kSnapshotLimit) break;
        snapshot.subKeys.push_back(std::move(name));
    }
    if (!snapshot.hasSubKeys) snapshot.subKeys.clear();
    return snapshot;
}

uint32_t CHostServer::Open(bool create, const OpenRequest& request, OpenReply* reply) {
    const uint32_t access = request.access;
    const uint32_t want = request.want;
    const uint32_t status = create ? registry.CreateKey(request.hive, request.subKey, access, &reply->key)
                                   : registry.OpenKey(request.hive, request.subKey, access, &reply->key);
    KeySnapshot& snapshot = reply->snapshot;
    std::vector<ChildSnapshot> children;
    // The names come from the saved tree only where the open allows
    // enumerating them; otherwise EnumKey must fail as Windows fails it.
    const bool tree = status == kErrorSuccess && (want & kWantSnapshot) && (want & kWantChildren) && readTree &&
                      (access & (kKeyEnumerateSubKeys | kGeneric)) != 0 &&
                      readTree(request.hive, request.subKey, access, &snapshot.subKeys, &children) &&
                      children.size() == snapshot.subKeys.size();
    if (tree) {
        std::vector<std::string> names = std::move(snapshot.subKeys);
        snapshot = Snapshot(reply->key, access, false);
        snapshot.hasSubKeys = true;
        snapshot.subKeys = std::move(names);
        reply->hasChildren = true;
        reply->children = std::move(children);
    } else {
        snapshot = KeySnapshot();
        if (status == kErrorSuccess && (want & kWantSnapshot)) snapshot = Snapshot(reply->key, access);
    }
    return status;
}

uint32_t CHostServer::ReadSubKeys(const calls::ReadChildrenRequest& request, calls::ReadChildrenReply* reply) {
    std::vector<ChildSnapshot>& read = reply->children;
    if (readChildren && (request.access & kKeyEnumerateSubKeys) == 0 &&
        readChildren(request.hive, request.path, request.access, request.names, &read) &&
        read.size() == request.names.size())
        return kErrorSuccess;
    read.clear();
    for (const std::string& name : request.names) {
        ChildSnapshot child;
        RegKey key = 0;
        child.status = registry.OpenKey(request.hive, request.path + "\\" + name, request.access, &key);
        if (child.status == kErrorSuccess) {
            child.snapshot = Snapshot(key, request.access);
            registry.CloseKey(key);
        }
        read.push_back(std::move(child));
    }
    return kErrorSuccess;
}

std::string CHostServer::Handle(const std::string& payload, bool* quit) {
    WireReader in(payload);
    const uint32_t op = in.U32();
    const auto handler = handlers.find(op);
    std::string reply;
    // Unknown operation or broken arguments: the stream can no longer be
    // trusted, so the host ends and the client sees it go.
    if (in.Failed() || handler == handlers.end() || !handler->second(in, &reply)) {
        *quit = true;
        return std::string();
    }
    *quit = op == static_cast<uint32_t>(Op::Quit);
    return reply;
}

} // namespace platform::wire
