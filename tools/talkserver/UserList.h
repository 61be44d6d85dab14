#pragma once
// The users a talk server accepts, read from a text file: one user per line,
// "user-id password [unit]", separated by blanks; '#' starts a comment. A
// unit of "*" or none accepts any unit the client names.

#include <map>
#include <string>

namespace vel::talkserver {

struct UserEntry
{
    std::string password;
    std::string unit; // empty: any
};

class UserList
{
public:
    // Reads the file; false with the reason in `error` when it cannot be read
    // or a line is malformed.
    bool Load(const std::string& path, std::string& error);
    void Add(const std::string& user, UserEntry entry) { m_users[user] = std::move(entry); }
    const UserEntry* Find(const std::string& user) const;
    size_t Size() const { return m_users.size(); }

private:
    std::map<std::string, UserEntry> m_users;
};

} // namespace vel::talkserver
