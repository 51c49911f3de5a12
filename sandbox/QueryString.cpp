#include "QueryString.h"

#include <QByteArray>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

QString QueryString::decode(std::string_view text)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(text.size()));
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            bytes.append(' ');
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            bytes.append(char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            // A stray "%" stays as it is, like most servers keep it.
            bytes.append(c);
        }
    }
    return QString::fromUtf8(bytes);
}

QueryString QueryString::fromTarget(std::string_view target)
{
    QueryString result;
    const size_t hash = target.find('#');
    if (hash != std::string_view::npos)
        target = target.substr(0, hash);
    const size_t question = target.find('?');
    std::string_view query = target;
    if (question != std::string_view::npos)
        query = target.substr(question + 1);
    else if (!target.empty() && target.front() == '/')
        return result;

    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string_view::npos)
            end = query.size();
        const std::string_view pair = query.substr(start, end - start);
        if (!pair.empty()) {
            const size_t eq = pair.find('=');
            Param param;
            if (eq == std::string_view::npos) {
                param.name = decode(pair);
            } else {
                param.name = decode(pair.substr(0, eq));
                param.value = decode(pair.substr(eq + 1));
            }
            result.m_params.append(param);
        }
        start = end + 1;
    }
    return result;
}

bool QueryString::has(const QString &name) const
{
    for (const Param &param : m_params) {
        if (param.name == name)
            return true;
    }
    return false;
}

QString QueryString::value(const QString &name) const
{
    for (const Param &param : m_params) {
        if (param.name == name)
            return param.value;
    }
    return QString();
}
