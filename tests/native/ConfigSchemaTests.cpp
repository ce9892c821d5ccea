// docs/configuration.xsd and the reader in step: the samples are valid (that the reader takes them: kvsfx-cli.sh),
// and every table case that the schema can judge gets the same verdict from xmllint as from the reader.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/Cfg.h"
#include "tests/native/CfgTestDocuments.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrova;

const fs::path kDocs = fs::path(KVSFX_SOURCE_DIR) / "docs";

// xmllint's output for the files, one run; empty when xmllint cannot be run.
std::string Xmllint(const std::vector<fs::path>& files) {
  std::string command = "xmllint --noout --schema '" + (kDocs / "configuration.xsd").string() + "'";
  for (const fs::path& file : files) command += " '" + file.string() + "'";
  command += " 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

bool Validates(const std::string& output, const fs::path& file) {
  return ("\n" + output).find("\n" + file.string() + " validates\n") != std::string::npos;
}

class ConfigSchemaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("xmllint --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint missing (libxml2-utils)";
    dir_ = fs::temp_directory_path() /
           ("kvsfx-schema-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ConfigSchemaTest, SamplesAreValid) {
  std::vector<fs::path> samples;
  for (const fs::directory_entry& entry : fs::directory_iterator(kDocs / "examples")) samples.push_back(entry.path());
  ASSERT_GE(samples.size(), 3u);
  const std::string output = Xmllint(samples);
  for (const fs::path& sample : samples) EXPECT_TRUE(Validates(output, sample)) << output;
}

TEST_F(ConfigSchemaTest, SchemaAndReaderAgreeOnStructure) {
  std::vector<const DocumentCase*> judged;
  std::vector<fs::path> files;
  for (const DocumentGroup& group : DocumentGroups()) {
    for (const DocumentCase& c : group.cases) {
      if (c.schema != Schema::Agrees) continue;
      files.push_back(dir_ / ("case" + std::to_string(files.size()) + ".xml"));
      std::ofstream(files.back(), std::ios::binary) << c.document;
      judged.push_back(&c);
    }
  }
  ASSERT_GT(judged.size(), 50u);
  const std::string output = Xmllint(files);
  ASSERT_NE(output.find("validat"), std::string::npos) << output;
  for (std::size_t i = 0; i < judged.size(); ++i) {
    EXPECT_EQ(Validates(output, files[i]), judged[i]->code == KV_OK) << judged[i]->document;
  }
}

}  // namespace
