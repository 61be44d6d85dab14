#include "UserList.h"

#include <fstream>
#include <sstream>

namespace vel::talkserver {

bool UserList::Load(const std::string& path, std::string& error)
{
    std::ifstream in(path);
    if (!in) {
        error = "cannot open user list " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (auto hash = line.find('#'); hash != std::string::npos)
            line.resize(hash);
        std::istringstream words(line);
        std::string user, password, unit, extra;
        if (!(words >> user))
            continue;
        if (!(words >> password) || (words >> unit && words >> extra)) {
            error = path + ":" + std::to_string(number) + ": expected \"user-id password [unit]\"";
            return false;
        }
        Add(user, {password, unit == "*" ? std::string() : unit});
    }
    return true;
}

const UserEntry* UserList::Find(const std::string& user) const
{
    auto it = m_users.find(user);
    return it == m_users.end() ? nullptr : &it->second;
}

} // namespace vel::talkserver
