#pragma once
// How a user action ended, as the screens report it to their views. A front-end that needs to
// know (a command's exit status, a test) reads these, never the text of a tip.

namespace pd {

enum class PairingOutcome {
    Paired,            // a new link was accepted
    KeptLink,          // the computer was already connected
    Refused,           // the computer refused the check code
    ConnectionFailed,  // no link could be made
    LinkClosed,        // the link closed (before or after it was accepted)
};

enum class ListingOutcome {
    Listed,
    Refused,  // the computer refused the folder (result code 2)
    Failed,   // any other refusal
};

enum class ClassChangeOutcome { Added, Removed, Failed };

enum class DownloadRequestOutcome {
    Queued,
    Refused,
    UnusableName,  // empty, "." or "..": not a name to save a file under
};

enum class CacheClearOutcome {
    Cleared,
    NothingToClear,  // less than 1 MB: left as it is
    Failed,          // the folder could not be removed or made again
};

}  // namespace pd
