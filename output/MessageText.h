#pragma once
// The text of one message: a line, or several lines that the program puts
// together itself (a failure, its code, its description and the server's last
// reply). An output writes each line on a line of its own and makes the control
// characters inside a line visible, so that text from outside (a file name, a
// server's reply) can neither break a line nor begin one of its own choosing.
//
// A plain string converts to a one-line text, so a message of one line is given
// as it is.

#include <string>
#include <vector>

class VelMessageText {
public:
    VelMessageText(std::string line) : First(std::move(line)) {}  // NOLINT: one line
    VelMessageText(const char* line) : First(line) {}             // NOLINT: one line

    // Appends a line of the program's own.
    VelMessageText& Add(std::string line);
    // Appends label + a text from outside that may hold several lines (a
    // server's reply, whose lines end in CR LF): its first line follows the
    // label, every further line goes on a line of its own behind blanks as wide
    // as the label (two at least). Line ends at its end are dropped. On an empty
    // text the label is appended like Add.
    VelMessageText& AddReply(const std::string& label, const std::string& reply);
    // A text that is label + reply alone, laid out as AddReply lays it out.
    static VelMessageText Reply(const std::string& label, const std::string& reply);

    // How many lines, and the line at index (from 0).
    size_t LineCount() const { return 1 + More.size(); }
    const std::string& Line(size_t index) const { return index == 0 ? First : More[index - 1]; }
    // The lines as they were given, joined by CR LF (outside text unchanged).
    std::string Joined() const;

    bool operator==(const VelMessageText&) const = default;

private:
    // One-line messages, by far the most, cost no list.
    std::string First;
    std::vector<std::string> More;
};
