// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdfWriter.h"

#include "Utf8.h"

#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace penwick::pdf {

PdfWriter::PdfWriter()
{
    // The second line's high bytes tell transfer programs that the file is binary.
    m_out = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
}

int PdfWriter::reserve()
{
    m_offsets.push_back(0);
    return static_cast<int>(m_offsets.size());
}

void PdfWriter::add(int id, std::string_view body)
{
    m_offsets.at(static_cast<std::size_t>(id - 1)) = m_out.size();
    m_out += std::to_string(id);
    m_out += " 0 obj\n";
    m_out += body;
    m_out += "\nendobj\n";
}

void PdfWriter::addStream(int id, std::string_view dict, std::string_view data, bool compress)
{
    std::string packed;
    if (compress) {
        uLongf size = compressBound(static_cast<uLong>(data.size()));
        packed.resize(size);
        if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                      reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                      Z_DEFAULT_COMPRESSION) != Z_OK)
            throw std::bad_alloc();   // zlib fails here only when memory runs out
        packed.resize(size);
        data = packed;
    }
    std::string body = "<< ";
    body += dict;
    body += " /Length " + std::to_string(data.size());
    if (compress)
        body += " /Filter /FlateDecode";
    body += " >>\nstream\n";
    body += data;
    body += "\nendstream";
    add(id, body);
}

std::string PdfWriter::finish(int catalog, int info)
{
    for (std::size_t i = 0; i < m_offsets.size(); ++i)
        if (m_offsets[i] == 0)
            add(static_cast<int>(i + 1), "null");
    const std::size_t xref = m_out.size();
    m_out += "xref\n0 " + std::to_string(m_offsets.size() + 1) + "\n0000000000 65535 f \n";
    char entry[24];
    for (const std::size_t offset : m_offsets) {
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
        m_out += entry;
    }
    m_out += "trailer\n<< /Size " + std::to_string(m_offsets.size() + 1) + " /Root "
             + std::to_string(catalog) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n"
             + std::to_string(xref) + "\n%%EOF\n";
    return std::move(m_out);
}

void AppendHex4(std::string& out, unsigned value)
{
    static const char hex[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 0xF];
}

std::string Utf16Hex(std::string_view utf8)
{
    std::string out;
    for (Utf8Decoder in(utf8.data(), utf8.size()); !in.atEnd();) {
        const char32_t cp = in.next();
        if (cp >= 0x10000) {
            AppendHex4(out, 0xD800 + ((cp - 0x10000) >> 10));
            AppendHex4(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            AppendHex4(out, cp);
        }
    }
    return out;
}

std::string TextString(std::string_view utf8)
{
    return "<FEFF" + Utf16Hex(utf8) + ">";
}

std::string Num(double value)
{
    char buf[32];
    const double rounded = std::round(value * 100.0) / 100.0;
    std::snprintf(buf, sizeof buf, "%.2f", rounded == 0.0 ? 0.0 : rounded);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

} // namespace penwick::pdf
