// The one error type of the engine libraries.
//
// Errors that end an operation are thrown as shuhui::Error: a kind that callers may branch on, and
// a message in Chinese that names what is wrong (the file, the sheet, the field, the place) and
// why, ready to be shown to the user as it is. An error about a workbook file also carries the
// file's path (and the sheet's name when one sheet is meant), so callers need not search the
// message. Expected outcomes are return values, not errors; asserts are for programmer errors only,
// never for file or user input.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace shuhui {

enum class ErrorKind {
    NotFound,       // the file or folder does not exist
    IsDirectory,    // a folder where a file was expected
    Unreadable,     // exists but cannot be opened or read (permissions, I/O)
    Empty,          // a file of 0 bytes
    NotWorkbook,    // the content is not a workbook of a known format
    Truncated,      // the file ends inside a structure
    Corrupt,        // a structure is inconsistent
    Encrypted,      // password-protected workbook
    Unsupported,    // a known format or feature this program does not read
    TooLarge,       // over a limit of the format (rows, columns, sizes)
    SheetNotFound,  // no sheet of that name in the workbook
    FieldNotFound,  // a field named in a query does not exist
    Syntax,         // a query text the engine cannot parse
    WrongDriver,    // the workbook needs the other driver
    NotOpen,        // a connection or query used before it was opened
    WriteFailed,    // a file could not be written
    Cancelled,      // the user stopped the operation
    Incomplete,     // an earlier step of the user's work is missing (a common field, a second sheet)
    Internal,       // a fault of this program
};

class Error : public std::runtime_error {
  public:
    Error(ErrorKind kind, const std::string& message) : std::runtime_error(message), kind_(kind) {}
    Error(ErrorKind kind, const std::string& message, std::string file, std::string sheet = {})
        : std::runtime_error(message),
          kind_(kind),
          file_(std::move(file)),
          sheet_(std::move(sheet)) {}
    ErrorKind kind() const noexcept { return kind_; }
    // The workbook file the error concerns, as the caller named it; empty when none.
    const std::string& file() const noexcept { return file_; }
    // The sheet the error concerns; empty when none.
    const std::string& sheet() const noexcept { return sheet_; }

  private:
    ErrorKind kind_;
    std::string file_;
    std::string sheet_;
};

}  // namespace shuhui
