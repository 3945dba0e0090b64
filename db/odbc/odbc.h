#pragma once

#include "core/value.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace kestrune::odbc {

// A failed ODBC call, carrying the driver's message text unchanged, and its SQLSTATE when the
// driver gave one.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &message, std::string sqlState = {})
        : std::runtime_error(message)
        , m_sqlState(std::move(sqlState))
    {
    }

    const std::string &sqlState() const { return m_sqlState; }
    // "[SQLSTATE] message", or the message alone when there is no state.
    std::string withState() const
    {
        return m_sqlState.empty() ? what() : "[" + m_sqlState + "] " + what();
    }

private:
    std::string m_sqlState;
};

class Result;

// One connection to the server. The driver always keeps a whole result on the client, which is
// the client-side, static, read-only cursor the program relies on, and lets several results be
// open and read at once. Released means closed.
class Connection {
public:
    Connection(); // allocates the handles; throws Error when the driver manager cannot
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void setReadWriteMode();
    void setTimeouts(unsigned seconds); // login, connection and query time-outs
    void open(const std::string &connectionString);
    void close();

    Result execute(const std::string &sql);

private:
    friend class Result;
    struct Handles;
    std::unique_ptr<Handles> m_handles;
    unsigned m_queryTimeout = 0;
};

// The rows of one statement, positioned on its first row. A statement without rows (CREATE,
// INSERT) gives a result with no fields that is at eof.
class Result {
public:
    Result(Connection &connection, const std::string &sql); // runs the statement
    ~Result();
    Result(Result &&) noexcept;
    Result &operator=(Result &&) noexcept;

    bool isOpen() const;
    bool eof() const;
    long long recordCount() const;
    // The current row's first field as text (NULL gives ""), as often as asked. The driver hands
    // out a cell once, so a rowset read from a row whose first field was read throws Error.
    std::string firstField() const;
    void moveNext();
    // The rows a fetch suited to this result's columns.
    std::size_t rowsetRows() const;
    // Replaces `rows` with the next rowset of at most `most` rows (the current row alone the first
    // time; give the same `most` every time), so only a rowset is held; false, and eof()
    // afterwards, once no rows are left. The texts, decimals and byte strings of `rows` may be
    // read where the driver put them: they last until the next call or close().
    bool readRowset(Table &rows, std::size_t most);
    void close(); // frees the driver's copy of the rows

private:
    friend class Connection; // closing a connection closes its results
    struct Statement;
    std::unique_ptr<Statement> m_statement;
};

} // namespace kestrune::odbc
