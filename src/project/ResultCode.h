// SPDX-License-Identifier: GPL-3.0-or-later
// Result codes of the project core, and the one function that turns a code into text.
//
// Every operation of the DOM service returns (or records) a 32-bit result code in the
// COM style the project format grew up with: negative means failure. Callers that must
// decide what to do get the code as a value; callers that report get the text through
// ResultCodeText().
#pragma once

#include <cstdint>
#include <string>

namespace penwick {

using HRESULT = std::int32_t;

constexpr HRESULT MakeFailure(std::uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeFailure(0x80004001u);      // operation not supported here
constexpr HRESULT E_POINTER = MakeFailure(0x80004003u);      // a required node or attribute is missing
constexpr HRESULT E_FAIL = MakeFailure(0x80004005u);         // unspecified failure
constexpr HRESULT E_OUTOFMEMORY = MakeFailure(0x8007000Eu);  // allocation failed
constexpr HRESULT E_INVALIDARG = MakeFailure(0x80070057u);   // bad argument (e.g. node of another document)

// File errors, mapped from errno into the Win32 facility (0x8007xxxx).
constexpr HRESULT E_FILE_NOT_FOUND = MakeFailure(0x80070002u);
constexpr HRESULT E_PATH_NOT_FOUND = MakeFailure(0x80070003u);
constexpr HRESULT E_ACCESS_DENIED = MakeFailure(0x80070005u);
constexpr HRESULT E_WRITE_PROTECT = MakeFailure(0x80070013u);
constexpr HRESULT E_READ_FAULT = MakeFailure(0x8007001Eu);
constexpr HRESULT E_WRITE_FAULT = MakeFailure(0x8007001Du);
constexpr HRESULT E_DISK_FULL = MakeFailure(0x80070070u);
constexpr HRESULT E_FILENAME_TOO_LONG = MakeFailure(0x800700CEu);
constexpr HRESULT E_IS_DIRECTORY = MakeFailure(0x8007010Bu);  // "directory name is invalid"

// Load failures of a project file.
constexpr HRESULT E_XML_PARSE = MakeFailure(0xC00CE500u);     // not well-formed
constexpr HRESULT E_XML_EMPTY = MakeFailure(0xC00CE558u);     // no document element
constexpr HRESULT E_XML_ENCODING = MakeFailure(0xC00CE56Eu);  // encoding not supported / invalid bytes
constexpr HRESULT E_XML_TOO_DEEP = MakeFailure(0xC00CE57Fu);  // nesting beyond kMaxDepth

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// errno -> result code (the table above; anything else becomes 0x8007xxxx with the errno).
HRESULT ResultFromErrno(int err);

// A result code with the message a user is shown for it (Japanese, UTF-8). Operations
// that can fail for reasons a code alone does not tell (which file, which line) return it.
struct Status {
    HRESULT hr = S_OK;
    std::string message;   // empty on success
    explicit operator bool() const { return SUCCEEDED(hr); }
};

// Text for a code, UTF-8, for a message box:
//  - the system text when the code is one Penwick raises ("無効なポインタです。" ...);
//  - else "IDispatch error #%d" with code - 0x80040200 for codes 0x80040201..0x8004FFFF;
//  - else "Unknown error 0x%0lX" with the whole code.
std::string ResultCodeText(HRESULT hr);

}  // namespace penwick
