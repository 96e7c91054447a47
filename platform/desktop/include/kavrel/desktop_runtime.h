// The user's runtime directory of the desktop stand-ins: $XDG_RUNTIME_DIR/kavrel, or a
// private folder /tmp/kavrel-UID when the variable is not set. Window sockets and the
// clipboard live there.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kavrel::desktop {

// The directory, created (mode 0700) when missing; empty when it cannot be made or
// is not the user's own.
std::filesystem::path RuntimeDirectory();

// The clipboard shared by the user's programs, holding plain text. Opening it with
// an owner and emptying it are one step here: SetClipboardText replaces the whole
// content at once (readers see the old text or the new, never a mixture). False when
// it cannot be written.
bool SetClipboardText(std::string_view text);
// The clipboard's text; nullopt when it holds none.
std::optional<std::string> GetClipboardText();

}  // namespace kavrel::desktop
