#pragma once

#include <QString>

// How one run of the converter ended.
struct ConverterEnd {
    enum class Kind {
        Exited,         // ended by itself with an exit status (number)
        Signalled,      // ended by a signal (number)
        NotStarted,     // could not be started (number: one of the start errors below)
        TextFolderFull, // its text could not be written whole: the folder is full or the quota spent
        TextNotWritten, // its text could not be written whole for another reason
        // It ended with status 1 saying why it could not open the file:
        PasswordRefused, // the file needs a password, or the one given does not open it
        Damaged,         // the file cannot be read as a PDF (cut short, empty, something else)
    };
    // Why a program could not be started.
    static constexpr int kInvalidCall = 5;       // present and executable, refused by the system
    static constexpr int kFileNotFound = 53;     // no such program
    static constexpr int kPermissionDenied = 70; // present but not executable

    Kind kind = Kind::Exited;
    int number = 0;

    static ConverterEnd Exit(int status) { return {Kind::Exited, status}; }
    static ConverterEnd Signal(int signal) { return {Kind::Signalled, signal}; }
    static ConverterEnd StartFailed(int error) { return {Kind::NotStarted, error}; }
    static ConverterEnd FolderFull() { return {Kind::TextFolderFull, 0}; }
    static ConverterEnd NotWritten() { return {Kind::TextNotWritten, 0}; }
    static ConverterEnd Refused() { return {Kind::PasswordRefused, 1}; }
    static ConverterEnd NotAPdf() { return {Kind::Damaged, 1}; }

    // Its text, when it wrote one, is whole.
    bool TextWhole() const { return kind != Kind::TextFolderFull && kind != Kind::TextNotWritten; }
    bool operator==(const ConverterEnd&) const = default;

    // A short stable form ("exit 3", "signal 9", "start 53", "folder-full", "not-written",
    // "password-refused", "damaged"), for diagnostics.
    QString ToText() const;
};
