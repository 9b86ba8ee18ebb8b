// The batch front end's option lists: the input, split at NUL bytes, is the
// argument list; every argument is also read as a list of item numbers.
#include <algorithm>
#include <string>
#include <vector>

#include "cli/cli_options.hpp"
#include "cli/number_list.hpp"
#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    using namespace zeltric;
    if (size < 1 || size > 4096) return 0;
    // The first byte chooses the highest item number and the minimum count.
    const int maximum = 1 + bytes[0] % 500;
    const int minimumCount = 1 + (bytes[0] >> 7);
    std::vector<std::string> arguments{"zeltric-cli"};
    std::string current;
    for (std::size_t i = 1; i < size; ++i) {
        if (bytes[i] == 0) {
            arguments.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(bytes[i]);
        }
    }
    arguments.push_back(current);
    if (arguments.size() > 64) return 0;

    std::vector<const char*> argv;
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    const cli::CliParse parse = cli::parseCliOptions(static_cast<int>(argv.size()), argv.data());
    if (parse.error.empty()) {
        const cli::CliOptions& o = parse.options;
        FUZZ_CHECK(o.help || o.version || !o.dataFile.empty());
        if (o.test) FUZZ_CHECK(*o.test >= 100 && *o.test <= 15000);
        if (o.seeds)
            FUZZ_CHECK(o.seeds->first >= 1 && o.seeds->first <= 2147483562 && o.seeds->second >= 1 &&
                       o.seeds->second <= 2147483398);
        FUZZ_CHECK(o.threads >= 0 && o.threads <= 256);
        if (o.plotFile) FUZZ_CHECK(o.plot.has_value());
    }

    for (std::size_t i = 1; i < arguments.size(); ++i) {
        std::string message;
        const auto numbers = cli::parseNumberList(arguments[i], maximum, minimumCount, message);
        if (!numbers) {
            FUZZ_CHECK(!message.empty());
            continue;
        }
        FUZZ_CHECK(static_cast<int>(numbers->size()) >= minimumCount);
        FUZZ_CHECK(std::is_sorted(numbers->begin(), numbers->end()));
        FUZZ_CHECK(std::adjacent_find(numbers->begin(), numbers->end()) == numbers->end());
        FUZZ_CHECK(numbers->front() >= 1 && numbers->back() <= maximum);
    }
    return 0;
}
