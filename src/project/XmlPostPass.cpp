// SPDX-License-Identifier: GPL-3.0-or-later
#include "XmlPostPass.h"

#include "Utf8.h"
#include "XmlChars.h"

#include <algorithm>
#include <cstdio>

namespace penwick {
namespace {

enum class Context { Text, Tag, Attribute, Comment, PI, CData, Doctype };

const char* ContextName(Context c)
{
    switch (c) {
    case Context::Tag: return "要素名または属性名";
    case Context::Comment: return "コメント";
    case Context::PI: return "処理命令";
    case Context::CData: return "CDATA セクション";
    case Context::Doctype: return "文書型宣言";
    default: return "本文";
    }
}

void AppendReference(std::string& out, char32_t cp, bool hex)
{
    char ref[16];
    std::snprintf(ref, sizeof ref, hex ? "&#x%X;" : "&#%u;", static_cast<unsigned>(cp));
    out += ref;
}

class Pass {
public:
    Pass(std::string_view xml, bool protectText, CharacterFilter* filter, std::string& out)
        : m_xml(xml), m_protect(protectText), m_filter(filter), m_out(out)
    {
    }

    XmlPostPassResult run()
    {
        m_out.clear();
        std::size_t i = 0;
        while (i < m_xml.size() && !m_stop.stopped) {
            if (m_ctx == Context::Text && m_xml[i] != '<')
                i = text(i);
            else
                i = markup(i);
        }
        if (m_stop.stopped || m_kept == 0)
            return m_stop;
        m_out.append(m_xml.substr(m_kept));
        m_stop.changed = true;
        return m_stop;
    }

private:
    // Writes a reference in place of the len bytes at i; everything before them that is
    // not in the output yet goes there unchanged first. Nothing is copied until the first
    // replacement: most documents need none and keep their buffer.
    void replace(std::size_t i, std::size_t len, char32_t cp, bool hex)
    {
        if (m_kept == 0 && m_out.empty())
            m_out.reserve(m_xml.size() + 64);
        m_out.append(m_xml.substr(m_kept, i - m_kept));
        AppendReference(m_out, cp, hex);
        m_kept = i + len;
    }

    // A run of character data up to the next markup.
    std::size_t text(std::size_t i)
    {
        const std::size_t end = std::min(m_xml.find('<', i), m_xml.size());
        const std::string_view run = m_xml.substr(i, end - i);
        const bool inside = m_protect && m_depth > 0;
        const bool blank = inside && std::all_of(run.begin(), run.end(), IsXmlSpace);
        const bool cr = inside && run.find('\r') != std::string_view::npos;
        const bool ascii = !m_filter || std::all_of(run.begin(), run.end(), [](char c) { return (c & 0x80) == 0; });
        if (!blank && !cr && ascii)   // the usual case: nothing to do
            return end;
        for (std::size_t k = i; k < end && !m_stop.stopped;) {
            const char c = m_xml[k];
            if ((c == '\r' && inside) || (blank && IsXmlSpace(c))) {
                replace(k, 1, char32_t(c), false);
                ++k;
            } else {
                k = character(k);
            }
        }
        return end;
    }

    // One character outside plain text runs; answers the offset after it.
    std::size_t character(std::size_t i)
    {
        if ((static_cast<unsigned char>(m_xml[i]) & 0x80) == 0)
            return i + 1;
        const Utf8Char c = DecodeUtf8(m_xml.data() + i, m_xml.data() + m_xml.size());
        if (m_filter && !m_filter->canHold(c.cp, m_xml.substr(i, c.len))) {
            if (m_ctx == Context::Text || m_ctx == Context::Attribute)
                replace(i, c.len, c.cp, true);
            else
                m_stop = {false, true, i, c.cp, ContextName(m_ctx)};
        }
        return i + c.len;
    }

    // Copies xml[i, end) of markup, each character checked against the filter when there is one.
    void copy(std::size_t i, std::size_t end)
    {
        if (!m_filter)
            return;
        while (i < end && !m_stop.stopped)
            i = character(i);
    }

    // The offset of the first of chars at or after i, or the end of the input.
    std::size_t find(std::string_view chars, std::size_t i) const
    {
        return std::min(m_xml.find_first_of(chars, i), m_xml.size());
    }

    // One stretch of markup: the '<' that opens it, or everything up to the next character
    // that changes the context.
    std::size_t markup(std::size_t i)
    {
        const std::string_view rest = m_xml.substr(i);
        switch (m_ctx) {
        case Context::Text: {   // at '<'
            std::size_t step = 1;
            if (rest.starts_with("<!--"))
                m_ctx = Context::Comment, step = 4;
            else if (rest.starts_with("<![CDATA["))
                m_ctx = Context::CData, step = 9;
            else if (rest.starts_with("<?"))
                m_ctx = Context::PI, step = 2;
            else if (rest.starts_with("<!"))
                m_ctx = Context::Doctype, m_subset = 0, m_quote = 0;
            else
                m_ctx = Context::Tag, m_closing = rest.starts_with("</");
            return i + step;
        }
        case Context::Tag: {
            const std::size_t end = find("\"'>", i);
            copy(i, end);
            if (end < m_xml.size()) {
                const char c = m_xml[end];
                if (c == '>') {
                    m_ctx = Context::Text;
                    const bool empty = end > 0 && m_xml[end - 1] == '/';
                    m_depth += m_closing ? -1 : empty ? 0 : 1;
                } else {
                    m_ctx = Context::Attribute, m_quote = c;
                }
            }
            return end + 1;
        }
        case Context::Attribute: {
            const std::size_t end = find(std::string_view(&m_quote, 1), i);
            copy(i, end);
            m_ctx = Context::Tag;
            return end + 1;
        }
        case Context::Comment:
            return closeAt(i, "-->");
        case Context::PI:
            return closeAt(i, "?>");
        case Context::CData:
            return closeAt(i, "]]>");
        case Context::Doctype: {
            const char c = m_xml[i];
            if (static_cast<unsigned char>(c) >= 0x80)
                return character(i);
            if (m_quote)
                m_quote = c == m_quote ? 0 : m_quote;
            else if (c == '"' || c == '\'')
                m_quote = c;
            else if (c == '[')
                ++m_subset;
            else if (c == ']')
                --m_subset;
            else if (c == '>' && m_subset <= 0)
                m_ctx = Context::Text;
            return i + 1;
        }
        }
        return i + 1;
    }

    // The inside of a comment, PI or CDATA section up to and with its closing delimiter.
    std::size_t closeAt(std::size_t i, std::string_view close)
    {
        const std::size_t at = std::min(m_xml.find(close, i), m_xml.size());
        copy(i, at);
        if (at == m_xml.size())
            return at;
        m_ctx = Context::Text;
        return at + close.size();
    }

    std::string_view m_xml;
    bool m_protect;
    CharacterFilter* m_filter;
    std::string& m_out;          // the input up to m_kept with its replacements
    std::size_t m_kept = 0;      // input before this is in m_out
    XmlPostPassResult m_stop;
    Context m_ctx = Context::Text;
    char m_quote = 0;
    bool m_closing = false;
    int m_subset = 0;   // '[' depth inside the document type
    int m_depth = 0;    // open elements around the current position
};

}  // namespace

XmlPostPassResult XmlPostPass(std::string_view xml, bool protectText, CharacterFilter* canHold, std::string& out)
{
    return Pass(xml, protectText, canHold, out).run();
}

}  // namespace penwick
