// ZELMsgCatalog: messages looked up by catalog name and key in plain-text
// catalog files, with numbered arguments put in. Every call reads the
// environment and the files afresh (only the default folder is worked out
// once, safely), so it may be called from any thread.
//
// Where the catalogs are. The variable "ZELMsgCatalogPath" lists folders
// separated by ':' (empty entries are skipped); when it is set, only those
// folders are searched, in order. When it is not set, the one folder searched
// is DefaultDirectory(): "ZELRTCItf/msgcatalog" in the data folder of the
// installation that holds this library, found from the folder of
// libVELTBASE.so (usually "<that folder>/../share/ZELRTCItf/msgcatalog").
// The catalog named "Chat" is the file "Chat.msg" of a folder. A catalog name
// is made of letters, digits, '_', '-' and '.', does not begin with '.', and
// has at most 128 characters; any other name finds nothing.
//
// Catalog file format (UTF-8 text, at most 1 MiB; a byte-order mark is skipped):
//   # a comment: blank lines and lines whose first non-blank character is '#'
//   LoginFailed = The server {1} refused the login of {2}.
//   Disconnected=Connection lost.
// One entry per line: a key (letters, digits, '_', '-', '.'), '=', and the
// message, which runs to the end of the line; blanks (spaces, tabs) around the
// key and the message are dropped, a CR before the line end too. In the
// message, "{N}" (N from 1) is replaced by argument N; "{N}" beyond the
// arguments, and any other brace, stays as written; "\n", "\t" and "\\" give
// a line feed, a tab and a backslash. A line without '=', with an empty or
// ill-formed key, or that is not valid UTF-8 is ignored. When a key appears
// twice, the first entry counts. A folder whose file lacks the key does not
// stop the search: the next folder is tried.
//
// A file that cannot be opened, is not a regular file, is larger than 1 MiB or
// holds a zero byte is skipped as if it were missing. When no folder gives the
// key, the default message comes back unchanged.
#pragma once

#include "VELTBASEExport.h"
#include "ZELString.h"
#include "ZELUnicodeString.h"

class VELTBASE_API ZELMsgCatalog {
 public:
  // The message `key` of catalog `catalogName` with `args[0..argCount-1]` put
  // in as {1}..{argCount}; `defaultMessage` when it is not found (or a name is
  // null). `args` may be null when argCount is 0. `reserved` is passed null.
  static ZELUnicodeString BuildMessage(const char* catalogName, const char* key, const ZELUnicodeString* args,
                                       int argCount, const ZELUnicodeString& defaultMessage,
                                       const void* reserved = nullptr);

  // The folder searched when "ZELMsgCatalogPath" is not set (see above).
  static ZELString DefaultDirectory();

  // The largest catalog file that is read, in bytes.
  static constexpr long kMaxFileSize = 1L << 20;
};
