#include "tool_main.h"

#include "failures.h"

#include <algorithm>
#include <iostream>

namespace kmxtool {
namespace {

void PrintUsage(const ToolText& tool, const CommandText& command, std::ostream& out) {
    out << "usage: " << tool.name << ' ' << command.name << (*command.usage ? " " : "")
        << command.usage << " [--json]" << tool.options << '\n';
}

void PrintHelp(const ToolText& tool, const std::vector<CommandText>& commands, std::ostream& out) {
    out << "usage: " << tool.name << " [--json]" << tool.options
        << " COMMAND [ARGUMENTS] [--help]\n\n"
        << tool.about << "\n\ncommands:\n";
    for (const CommandText& command : commands)
        out << "  " << command.name << (*command.usage ? " " : "") << command.usage << "\n      "
            << command.summary << '\n';
}

const CommandText* Find(const std::vector<CommandText>& commands, const std::string& name) {
    for (const CommandText& command : commands)
        if (name == command.name) return &command;
    return nullptr;
}

bool IsValued(const ToolText& tool, const std::string& word) {
    for (const std::string& option : tool.valued_options)
        if (word == option) return true;
    return false;
}

}  // namespace

std::variant<int, CommandRun> ParseCommandLine(const ToolText& tool,
                                               const std::vector<CommandText>& commands, int argc,
                                               char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    std::vector<std::string> handed_on;
    bool json = false;
    size_t next = 0;
    for (; next < words.size(); ++next) {
        const std::string& word = words[next];
        if (word == "--help" || word == "-h") {
            PrintHelp(tool, commands, std::cout);
            return 0;
        }
        if (word == "--json") {
            json = true;
        } else if (IsValued(tool, word)) {
            if (next + 1 == words.size()) {
                std::cerr << tool.name << ": " << word << " needs a value\n";
                return 2;
            }
            handed_on.insert(handed_on.end(), {word, words[++next]});
        } else {
            break;
        }
    }
    if (next == words.size()) {
        PrintHelp(tool, commands, std::cerr);
        return 2;
    }
    if (words[next] == "help") {
        const CommandText* command =
            next + 1 < words.size() ? Find(commands, words[next + 1]) : nullptr;
        if (!command) {
            PrintHelp(tool, commands, std::cout);
            return 0;
        }
        PrintUsage(tool, *command, std::cout);
        std::cout << "  " << command->summary << '\n';
        return 0;
    }
    const CommandText* command = Find(commands, words[next]);
    if (!command) {
        std::cerr << tool.name << ": unknown command '" << words[next] << "' (" << tool.name
                  << " --help lists them)\n";
        return 2;
    }
    std::vector<std::string> own(words.begin() + next + 1, words.end());
    for (size_t index = 0; index < handed_on.size(); index += 2)
        if (std::find(own.begin(), own.end(), handed_on[index]) == own.end())
            own.insert(own.end(), {handed_on[index], handed_on[index + 1]});
    CommandLine line(std::move(own));
    if (line.Flag("--help") || line.Flag("-h")) {
        PrintUsage(tool, *command, std::cout);
        std::cout << "  " << command->summary << '\n';
        return 0;
    }
    json = line.Flag("--json") || json;
    return CommandRun{static_cast<size_t>(command - commands.data()), std::move(line), json};
}

int RunCommand(const ToolText& tool, const CommandText& command, bool json,
               const std::function<int()>& body) {
    try {
        int status = body();
        std::cout.flush();
        return status;
    } catch (const UsageError& error) {
        ReportFailure(tool.name, command.name, error.what(), json, 2);
        PrintUsage(tool, command, std::cerr);
        return 2;
    } catch (const std::exception& error) {
        // Failure and anything else: the camera, its driver or the system.
        ReportFailure(tool.name, command.name, error.what(), json, 1);
        return 1;
    }
}

}  // namespace kmxtool
