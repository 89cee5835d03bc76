#pragma once
// The external models' messages: name, id and text, one a line.
#include "platform/Messages.h"

namespace extmodel_messages {

#define DULO_EXTMODEL_MESSAGES(M)                                                            \
    M(kMsgInitNoLibrary, 7401, "Failed to Initialize ZEFT - cannot load ZEFTHOST.DLL")       \
    M(kMsgInitFailed, 7402, "Failed to Initialize ZEFT.")                                    \
    M(kMsgDataUnreadable, 7403, "Unable to load external model data: %1")                    \
    M(kMsgAddFailed, 7404, "Error occurred while adding block for external model %1")        \
    M(kMsgPushFailed, 7405, "Error occurred while updating parameter values in ZEFT")        \
    M(kMsgBlockException, 7406, "DULO External Model Exception: %1")                         \
    M(kMsgReadFailed, 7407, "Error occurred while reading external model data: %1")
DULO_MESSAGES(kExternalModelMessages, DULO_EXTMODEL_MESSAGES)

}  // namespace extmodel_messages
