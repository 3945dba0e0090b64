#pragma once

#include <mysql.h>

#include <exception>
#include <thread>

namespace kestrune {

// Runs two pieces of work at once, each on its own connection: `two` on a thread of its own.
// Returns when both have ended; rethrows the first's failure, else the second's.
template <typename One, typename Two> void atOnce(One &&one, Two &&two)
{
    std::exception_ptr failure;
    std::thread thread([&] {
        mysql_thread_init();
        try {
            two();
        } catch (...) {
            failure = std::current_exception();
        }
        mysql_thread_end();
    });
    try {
        one();
    } catch (...) {
        thread.join();
        throw;
    }
    thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace kestrune
