#pragma once
// What a stream's first bytes hold, told from their form alone: programs (PE, ELF, Mach-O, Java),
// shortcuts, scripts, archives and the Office documents inside them, OLE compound files, PDF,
// pictures, property lists and property sets, text with its encoding, long base64-like runs.
// Portable and pure: it reads the bytes it is given and nothing else, in a time linear in their count.

#include <string>
#include <string_view>

namespace report {

enum class TContentClass {
    empty,
    code,     // a program, a library, a driver, a script, a shortcut: something that runs
    document, // archives, documents, pictures, metadata formats
    text,
    data, // nothing recognised
};

struct TContentKind {
    std::string id;   // stable identifier ("pe-exe", "script-powershell", "text", "data")
    std::string text; // a short description in plain words ("Windows program (x64)")
    TContentClass cls = TContentClass::data;
};

// The kind of the bytes (the whole of them is looked at: the caller bounds them).
TContentKind contentKind(std::string_view bytes);

// The Shannon entropy of the bytes in bits per byte (0 for none).
double byteEntropy(std::string_view bytes);

// Where a Windows program starts inside the bytes other than at their start (its DOS header found
// through the stub's message); npos when there is none.
std::size_t embeddedProgramOffset(std::string_view bytes);

} // namespace report
