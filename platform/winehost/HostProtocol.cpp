#include "platform/winehost/HostProtocol.h"

namespace platform::wire {

const char* OpName(Op op) {
    switch (op) {
#define TOLVANIRE_OP_NAME(name, code)                                                                                  \
    case Op::name:                                                                                                     \
        return #name;
        TOLVANIRE_HOST_OPS(TOLVANIRE_OP_NAME)
#undef TOLVANIRE_OP_NAME
    }
    return "?";
}

std::vector<Op> AllOps() {
    return {
#define TOLVANIRE_OP_LIST(name, code) Op::name,
        TOLVANIRE_HOST_OPS(TOLVANIRE_OP_LIST)
#undef TOLVANIRE_OP_LIST
    };
}

void Put(WireWriter& out, const FileEntry& value) {
    Put(out, value.name);
    Put(out, value.attributes);
}

void Get(WireReader& in, FileEntry* value) {
    Get(in, &value->name);
    Get(in, &value->attributes);
}

void Put(WireWriter& out, const TreeEntry& value) {
    Put(out, value.parent);
    Put(out, value.entry);
}

void Get(WireReader& in, TreeEntry* value) {
    Get(in, &value->parent);
    Get(in, &value->entry);
}

void Put(WireWriter& out, const FileStat& value) {
    Put(out, value.attributes);
    Put(out, value.size);
    Put(out, value.creationTime);
    Put(out, value.writeTime);
}

void Get(WireReader& in, FileStat* value) {
    Get(in, &value->attributes);
    Get(in, &value->size);
    Get(in, &value->creationTime);
    Get(in, &value->writeTime);
}

void Put(WireWriter& out, const IconImage& value) {
    Put(out, value.width);
    Put(out, value.height);
    Put(out, value.pixels);
}

void Get(WireReader& in, IconImage* value) {
    Get(in, &value->width);
    Get(in, &value->height);
    Get(in, &value->pixels);
    // Four bytes per pixel, or the picture is no picture.
    if (static_cast<uint64_t>(value->width) * value->height * 4 != value->pixels.size()) in.Fail();
}

void Put(WireWriter& out, const RunProgress& value) {
    Put(out, value.firstEnded);
    Put(out, value.exitCode);
    Put(out, value.running);
    Put(out, value.installerBusy);
}

void Get(WireReader& in, RunProgress* value) {
    Get(in, &value->firstEnded);
    Get(in, &value->exitCode);
    Get(in, &value->running);
    Get(in, &value->installerBusy);
}

} // namespace platform::wire
