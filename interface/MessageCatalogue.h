#pragma once
// The library's one table of messages, put together here from the tables each
// area declares beside its code.
#include "platform/Messages.h"

#include <span>
#include <string>

namespace dulo {

// Every message of the library, sorted by id (no id twice).
std::span<const Message> LibraryMessages();

// The text of a message id; empty when the library has no such message.
std::string LoadString(int id);

}  // namespace dulo
