// Runs another program as a child process for the interoperability tests.
#ifndef UTIL_TESTS_PCAP_RUN_TOOL_H
#define UTIL_TESTS_PCAP_RUN_TOOL_H

#include <string>
#include <vector>

namespace pcap_test {

/// Runs `arguments[0]` (looked up on PATH when it has no '/') with the others,
/// standard input from `inputPath` (empty: /dev/null), standard output into
/// `outputPath`, standard error into `errorPath`. Returns its exit status, or -1
/// when it could not be started or did not exit normally.
int runTool(const std::vector<std::string>& arguments, const std::string& inputPath,
            const std::string& outputPath, const std::string& errorPath);

}  // namespace pcap_test

#endif
