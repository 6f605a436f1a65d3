#pragma once

#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

namespace kw {

// Standard output of kwatrix-report: written straight to the descriptor,
// keeping the reason of the first write that failed (a full disk, a closed
// descriptor); what comes after a failure is dropped.
class DescriptorBuffer : public std::streambuf {
public:
    // `error`: the descriptor cannot take anything (errno), as when it was
    // closed before the program started.
    explicit DescriptorBuffer(int fd, int error = 0);
    ~DescriptorBuffer() override;
    DescriptorBuffer(const DescriptorBuffer&) = delete;
    DescriptorBuffer& operator=(const DescriptorBuffer&) = delete;

    // errno of the failed write; 0 while every write went through.
    int error() const { return m_error; }

protected:
    int overflow(int c) override;
    int sync() override;

private:
    bool drain();

    int m_fd;
    int m_error = 0;
    char m_buffer[1 << 16];
};

// Runs kwatrix-report with its arguments (without the program name): the
// listing goes to `out`, the log lines and messages to `err`. `defaultDir` is
// the program directory when --dir is not given. Returns the exit status: a
// listing or export that `out` did not take is an I/O error.
int RunReport(const std::vector<std::string>& args, const std::string& defaultDir,
              std::ostream& out, std::ostream& err);

} // namespace kw
