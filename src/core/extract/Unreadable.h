#pragma once

#include <QString>

// Why a listed file gave no text. The names (UnreadableKindName) are stable for scripts; the
// reason's text is what people read and may change.
enum class UnreadableKind {
    Other,
    PasswordProtected,   // no password given, or the text is protected
    WrongPassword,       // a password was given and did not open the file
    NoText,              // output without real text (a scanned image)
    NameNotUtf8,         // the file name cannot be spelled again
    NotFound,            // the path does not exist
    NotRegularFile,      // a folder, a device, …
    PermissionDenied,    // present but not readable
    EmptyInput,          // a stream or a file that held nothing
    ConverterNotStarted, // the converter could not be run
    ConverterCrashed,    // the converter was ended by a signal
    TextNotWritten,      // the converted text could not be written whole
    ConversionFailed,    // the converter ended with another failing status
    FolderUnreadable,    // a folder of a scan could not be opened
    OcrFailed,           // a scanned file whose pages could not be read by OCR
    Damaged,             // not readable as a PDF: cut short, empty or something else entirely
};

// The kind's stable name: "password-protected", "wrong-password", "no-text", …
QString UnreadableKindName(UnreadableKind kind);

// True when the text was lost to the machine rather than to the file itself: a converter that
// could not start or was ended by a signal (a crash, the memory running out), a text that could
// not be written (no room), OCR that failed. Run again elsewhere, such a file may give its text.
bool LostToEnvironment(UnreadableKind kind);

// True when the file itself could not be reached: missing, not readable, or named by bytes that
// are not UTF-8 (it cannot be named again to be opened).
bool CannotBeRead(UnreadableKind kind);

// A file that gave no text, with the reason appended to its path in the run's message
// ("  - password protected or text is protexted.", …) and the kind of that reason.
struct UnreadableFile {
    QString path;
    QString reason;
    UnreadableKind kind = UnreadableKind::Other;
};
