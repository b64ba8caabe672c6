// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultCode.h"

#include <cerrno>
#include <cstdio>

namespace penwick {

HRESULT ResultFromErrno(int err)
{
    switch (err) {
    case 0: return S_OK;
    case ENOENT: return E_FILE_NOT_FOUND;
    case ENOTDIR: return E_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return E_ACCESS_DENIED;
    case EROFS: return E_WRITE_PROTECT;
    case ENOSPC:
    case EDQUOT: return E_DISK_FULL;
    case ENAMETOOLONG: return E_FILENAME_TOO_LONG;
    case EISDIR: return E_IS_DIRECTORY;
    case ENOMEM: return E_OUTOFMEMORY;
    case EIO: return E_WRITE_FAULT;
    default: return MakeFailure(0x80070000u | (static_cast<unsigned>(err) & 0xFFFFu));
    }
}

namespace {

const char* SystemText(HRESULT hr)
{
    switch (static_cast<std::uint32_t>(hr)) {
    case 0x80004001u: return "実装されていません";
    case 0x80004003u: return "無効なポインタです。";
    case 0x80004005u: return "エラーを特定できません";
    case 0x8007000Eu: return "この操作を完了するのに十分な記憶域がありません。";
    case 0x80070057u: return "パラメーターが間違っています。";
    case 0x80070002u: return "指定されたファイルが見つかりません。";
    case 0x80070003u: return "指定されたパスが見つかりません。";
    case 0x80070005u: return "アクセスが拒否されました。";
    case 0x80070013u: return "メディアは書き込み禁止になっています。";
    case 0x8007001Du: return "システムは指定されたデバイスに書き込みできません。";
    case 0x8007001Eu: return "システムは指定されたデバイスから読み込みできません。";
    case 0x80070070u: return "ディスクに十分な空き領域がありません。";
    case 0x800700CEu: return "ファイル名または拡張子が長すぎます。";
    case 0x8007010Bu: return "ディレクトリ名が無効です。";
    case 0xC00CE500u: return "XML として正しくない文書です。";
    case 0xC00CE558u: return "XML 文書には少なくとも 1 つの最上位要素が必要です。";
    case 0xC00CE56Eu: return "文字コードを読み込めません。";
    case 0xC00CE57Fu: return "要素の入れ子が深すぎます。";
    default: return nullptr;
    }
}

}  // namespace

std::string ResultCodeText(HRESULT hr)
{
    if (const char* text = SystemText(hr))
        return text;
    const auto code = static_cast<std::uint32_t>(hr);
    char buf[32];
    if (code >= 0x80040200u && code <= 0x8004FFFFu && code - 0x80040200u != 0)
        std::snprintf(buf, sizeof buf, "IDispatch error #%d", static_cast<int>(code - 0x80040200u));
    else
        std::snprintf(buf, sizeof buf, "Unknown error 0x%0lX", static_cast<unsigned long>(code));
    return buf;
}

}  // namespace penwick
