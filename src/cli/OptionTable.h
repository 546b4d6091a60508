#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The options of every lexitally-cli command in one table: their spellings, values, the
// commands that take them and their help. The commands' parsers split their arguments by it,
// their --help lists it, and the tests check the manual page and the completion against it.

// The commands, as bits of the set of commands an option belongs to.
enum CommandBit : unsigned {
    kRunCommand = 1,
    kConcordanceCommand = 2,
    kPhrasesCommand = 4,
    kMergeCommand = 8,
    kCacheCommand = 16,
    kKeywordsCommand = 32,
    kCollocatesCommand = 64,
    kDispersionCommand = 128,
};

struct OptionSpec {
    QString name;              // "--jobs"
    QString shortName;         // "-j", or ""
    QString value;             // the value's name in the help ("N"); "" for a flag
    bool valueAfterEqualsOnly; // "--ocr[=LANGS]": a value only as "--ocr=LANGS"
    unsigned commands;         // CommandBit set
    QString help;              // its help, lines joined by "\n"
};

// Every option of every command (an option whose help differs between commands has a row for
// each).
const QList<OptionSpec>& OptionTable();

// One command's arguments split by the table: options with their values in the order given,
// and the operands (PATHs, WORD, RESULTS.json).
struct GivenArguments {
    // The option's row, its value (none for a flag, or when the value is missing at the end),
    // and the spelling used ("-o" or "--output").
    struct Given {
        const OptionSpec* spec;
        std::optional<QString> value;
        QString spelling;
    };
    QList<Given> options;
    QStringList operands;
    bool help = false;    // -h or --help, wherever it stands
    bool version = false; // --version
    QString error;        // an option the command does not know

    bool Has(const QString& name) const;
};

// Splits the arguments that follow the command's name: "--name value", "--name=value",
// "-n value" and "-nvalue" for options with values; "--" makes every later argument an operand,
// and "-" alone is one.
GivenArguments SplitArguments(CommandBit command, const QStringList& arguments);

// The option lines of the command's --help, from the table.
QString OptionsHelp(CommandBit command);
