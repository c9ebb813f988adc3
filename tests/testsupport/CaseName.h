#pragma once

#include <gtest/gtest.h>
#include <string>

namespace tarnwick::test {

// Names a row of a TEST_P table after its `name` field ("URL with port" -> "URL_with_port").
struct CaseName
{
    template <typename Row> std::string operator()(const ::testing::TestParamInfo<Row>& row) const
    {
        std::string name = row.param.name;
        for (char& c : name) {
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
                c = '_';
        }
        return name;
    }
};

} // namespace tarnwick::test
