#include "kyvreport/json_stream.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <string>

namespace {

// Writes one string through the stream and returns the bytes written.
std::string written(const std::string& value, bool script_safe) {
    std::FILE* file = std::tmpfile();
    json_stream stream(file, script_safe);
    rapidjson::Writer<json_stream> writer(stream);
    writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
    stream.finish();
    std::string out;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) out += static_cast<char>(c);
    std::fclose(file);
    return out;
}

}  // namespace

TEST(JsonStream, ScriptSafeOutputHidesMarkupAndLineSeparatorsAndStillReadsBack) {
    const std::string hostile =
        "</script><!--\xe2\x80\xa8\xe2\x80\xa9\xe2\x80\xa7\xe2\xe2\x80\xa8\"\\\x01\x1f end\xe2";
    const std::string safe = written(hostile, true);
    EXPECT_EQ(safe.find('<'), std::string::npos);
    EXPECT_EQ(safe.find("\xe2\x80\xa8"), std::string::npos);
    EXPECT_EQ(safe.find("\xe2\x80\xa9"), std::string::npos);
    EXPECT_NE(safe.find("\xe2\x80\xa7"), std::string::npos);  // other characters stay as they are
    for (const std::string& json : {safe, written(hostile, false)}) {
        rapidjson::Document document;
        document.Parse(json.c_str(), json.size());
        ASSERT_FALSE(document.HasParseError()) << json;
        EXPECT_EQ(std::string(document.GetString(), document.GetStringLength()), hostile);
    }
}
