#pragma once

// A pseudo-terminal: the program under test opens the slave by its path, the test plays the far
// end on the master. The test keeps a slave descriptor of its own to look at the line settings.

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <array>
#include <string>

namespace vex::test {

class Pty {
  public:
    Pty() {
        std::array<char, 128> name{};
        if (::openpty(&m_master, &m_slave, name.data(), nullptr, nullptr) == 0)
            m_path = name.data();
    }
    ~Pty() {
        if (m_master >= 0) ::close(m_master);
        if (m_slave >= 0) ::close(m_slave);
    }

    const std::string& Path() const { return m_path; }
    int Slave() const { return m_slave; }
    // The lock file name serial programs use for /dev/pts/N.
    std::string LockName() const { return "LCK..pts_" + m_path.substr(m_path.rfind('/') + 1); }

    void Send(const std::string& bytes) const {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()),
                  static_cast<ssize_t>(bytes.size()));
    }

    // What the port sent, up to n bytes, waiting at most a second for each part.
    std::string Receive(std::size_t n) const {
        std::string got(n, '\0');
        std::size_t size = 0;
        pollfd request{m_master, POLLIN, 0};
        while (n > size && ::poll(&request, 1, 1000) > 0) {
            const ssize_t r = ::read(m_master, got.data() + size, n - size);
            if (r <= 0) break;
            size += static_cast<std::size_t>(r);
        }
        got.resize(size);
        return got;
    }

    void CloseMaster() {
        ::close(m_master);
        m_master = -1;
    }

  private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_path;
};

}  // namespace vex::test
