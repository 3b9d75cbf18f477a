#include "output/MessageText.h"

#include <algorithm>

namespace {

// label + reply as lines: the reply's first line after the label, each further
// one behind blanks, so that the reply never decides how a line begins.
std::vector<std::string> ReplyLines(const std::string& label, const std::string& reply) {
    const std::string indent(std::max<size_t>(label.size(), 2), ' ');
    std::vector<std::string> lines;
    size_t start = 0;
    do {
        size_t end = reply.find('\n', start);
        if (end == std::string::npos) end = reply.size();
        std::string line = reply.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back((lines.empty() ? label : indent) + line);
        start = end + 1;
    } while (start < reply.size());
    return lines;
}

}  // namespace

VelMessageText& VelMessageText::Add(std::string line) {
    More.push_back(std::move(line));
    return *this;
}

VelMessageText& VelMessageText::AddReply(const std::string& label, const std::string& reply) {
    for (std::string& line : ReplyLines(label, reply)) More.push_back(std::move(line));
    return *this;
}

VelMessageText VelMessageText::Reply(const std::string& label, const std::string& reply) {
    std::vector<std::string> lines = ReplyLines(label, reply);
    VelMessageText text(std::move(lines.front()));
    text.More.assign(std::make_move_iterator(lines.begin() + 1),
                     std::make_move_iterator(lines.end()));
    return text;
}

std::string VelMessageText::Joined() const {
    std::string joined = First;
    for (const std::string& line : More) joined += "\r\n" + line;
    return joined;
}
