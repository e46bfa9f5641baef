// Rows for test fixtures, posted straight into the tables of a data module.
#pragma once

#include "core/DataUnit.h"

#include <string>

inline void AddGroupRow(TQuillonData& data, int id, const std::string& name, bool restricted = false,
                        bool exclude = false)
{
    TTable& g = data.Groups;
    g.Append();
    g.SetField("group_id", id);
    g.SetField("group_name", name);
    g.SetField("restricted", restricted);
    g.SetField("exclude", exclude);
    g.Post();
}

inline void AddBadRow(TQuillonData& data, const std::string& host, int group, const std::string& comment = {})
{
    TTable& b = data.BadHosts;
    b.Append();
    b.SetField("hostname", host);
    b.SetField("group_id", group);
    b.SetField("comment", comment);
    b.Post();
}

inline void AddGoodRow(TQuillonData& data, const std::string& host, const std::string& ip,
                       const std::string& comment = {})
{
    TTable& g = data.GoodHosts;
    g.Append();
    g.SetField("hostname", host);
    g.SetField("ip", ip);
    g.SetField("comment", comment);
    g.Post();
}
