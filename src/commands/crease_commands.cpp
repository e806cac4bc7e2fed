// The two crease commands and Version.
#include "commands/command_frame.h"
#include "commands/option_flag.h"
#include "scene/transfer_group_creases.h"
#include "vyx/vyx_writer.h"

using namespace tessaryn;

TESSARYN_API Version(const char*, double, char*, int) {
    return TESSARYN_VERSION_NUMBER;
}

TESSARYN_API GetCreases(const char* text, double number, char* buffer, int) {
    if (text == nullptr || buffer == nullptr) return TESSARYN_CREASE_ARGUMENT_ABSENT;
    const char prefix = optionFlag(number) ? 's' : 'g';
    return runWorker([&] { return TransferGroupCreases(text, buffer, prefix); });
}

TESSARYN_API GetCreasesVyx(const char* text, double number, char* buffer, int) {
    if (text == nullptr || buffer == nullptr) return TESSARYN_CREASE_ARGUMENT_ABSENT;
    const bool smoothingSource = optionFlag(number);
    return runWorker([&] { return ConvertObjToVyx(text, buffer, smoothingSource); });
}
