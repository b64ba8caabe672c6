#include "XmlPostPass.h"

#include "Utf8.h"

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

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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

    XmlPostPassStop run()
    {
        m_out.clear();
        m_out.reserve(m_xml.size() + 64);
        std::size_t i = 0;
        while (i < m_xml.size() && !m_stop.stopped) {
            if (m_ctx == Context::Text && m_xml[i] != '<')
                i = text(i);
            else
                i = markup(i);
        }
        return m_stop;
    }

private:
    // A run of character data up to the next markup.
    std::size_t text(std::size_t i)
    {
        const std::size_t end = std::min(m_xml.find('<', i), m_xml.size());
        const std::string_view run = m_xml.substr(i, end - i);
        const bool inside = m_protect && m_depth > 0;
        const bool blank = inside && std::all_of(run.begin(), run.end(), IsXmlSpace);
        const bool cr = inside && run.find('\r') != std::string_view::npos;
        const bool ascii = !m_filter || std::all_of(run.begin(), run.end(), [](char c) { return (c & 0x80) == 0; });
        if (!blank && !cr && ascii) {   // the usual case: nothing to do
            m_out.append(run);
            return end;
        }
        for (std::size_t k = i; k < end && !m_stop.stopped;) {
            const char c = m_xml[k];
            if ((c == '\r' && inside) || (blank && IsXmlSpace(c))) {
                AppendReference(m_out, char32_t(c), false);
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
        if ((static_cast<unsigned char>(m_xml[i]) & 0x80) == 0) {
            m_out += m_xml[i];
            return i + 1;
        }
        const Utf8Char decoded = DecodeUtf8(m_xml.data() + i, m_xml.data() + m_xml.size());
        const char32_t cp = decoded.cp;
        const std::size_t len = decoded.len;
        const std::string_view ch = m_xml.substr(i, len);
        if (!m_filter || m_filter->canHold(cp, ch))
            m_out.append(ch);
        else if (m_ctx == Context::Text || m_ctx == Context::Attribute)
            AppendReference(m_out, cp, true);
        else
            m_stop = {true, i, cp, ContextName(m_ctx)};
        return i + len;
    }

    // One step inside markup (or the '<' that opens it).
    std::size_t markup(std::size_t i)
    {
        const std::string_view rest = m_xml.substr(i);
        const char c = m_xml[i];
        std::size_t step = 1;
        switch (m_ctx) {
        case Context::Text:   // at '<'
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
            break;
        case Context::Tag:
            if (c == '"' || c == '\'') {
                m_ctx = Context::Attribute, m_quote = c;
            } else if (c == '>') {
                m_ctx = Context::Text;
                const bool empty = i > 0 && m_xml[i - 1] == '/';
                m_depth += m_closing ? -1 : empty ? 0 : 1;
            } else {
                return character(i);
            }
            break;
        case Context::Attribute:
            if (c != m_quote)
                return character(i);
            m_ctx = Context::Tag;
            break;
        case Context::Comment:
            if (!rest.starts_with("-->"))
                return character(i);
            m_ctx = Context::Text, step = 3;
            break;
        case Context::PI:
            if (!rest.starts_with("?>"))
                return character(i);
            m_ctx = Context::Text, step = 2;
            break;
        case Context::CData:
            if (!rest.starts_with("]]>"))
                return character(i);
            m_ctx = Context::Text, step = 3;
            break;
        case Context::Doctype:
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
            if (static_cast<unsigned char>(c) >= 0x80)
                return character(i);
            break;
        }
        m_out.append(rest.substr(0, step));
        return i + step;
    }

    std::string_view m_xml;
    bool m_protect;
    CharacterFilter* m_filter;
    std::string& m_out;
    XmlPostPassStop m_stop;
    Context m_ctx = Context::Text;
    char m_quote = 0;
    bool m_closing = false;
    int m_subset = 0;   // '[' depth inside the document type
    int m_depth = 0;    // open elements around the current position
};

}  // namespace

XmlPostPassStop XmlPostPass(std::string_view xml, bool protectText, CharacterFilter* canHold, std::string& out)
{
    return Pass(xml, protectText, canHold, out).run();
}

}  // namespace penwick
