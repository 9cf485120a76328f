#include "diagnostics/logic/graph_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velk {
namespace {

std::vector<GraphSample> read(const std::string& text, int maxPoints = kGraphFilePointLimit) {
  std::istringstream in(text);
  return readGraphFile(in, maxPoints);
}

TEST(GraphFileLine, WritesTheStreamsDefaultFloatNotationWithAPoint) {
  EXPECT_EQ(graphFileLine({12.5f, 12.25f}), "12.5 12.25\n");
  EXPECT_EQ(graphFileLine({45.3f, 0}), "45.3 0\n");
  EXPECT_EQ(graphFileLine({-0.5f, 100}), "-0.5 100\n");
  EXPECT_EQ(graphFileLine({1e-7f, 1234567.f}), "1e-07 1.23457e+06\n");
  EXPECT_EQ(graphFileLine({33.333333f, 4100}), "33.3333 4100\n");
}

TEST(ReadGraphFile, StopsAtTheFirstLineItCannotTake) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<GraphSample> points;
  };
  const std::string longest = "1 2" + std::string(96, ' ');  // 99 characters
  const Case cases[] = {
      {"third column ignored, last line without line feed", "1 2\n3 4 extra\n5 6", {{1, 2}, {3, 4}, {5, 6}}},
      {"blank line", "1 2\n\n3 4\n", {{1, 2}}},
      {"line shorter than 3 characters", "1 2\n9\n3 4\n", {{1, 2}}},
      {"one number only", "1 2\n7 x\n3 4\n", {{1, 2}}},
      {"text", "1 2\nab c\n3 4\n", {{1, 2}}},
      {"decimal commas", "1,5 2,5\n", {}},
      {"carriage returns", "1 2\r\n3 4\r\n", {{1, 2}, {3, 4}}},
      {"blanks, tabs, signs and exponents", "  1.5e2\t-3 \n+1 -.5\n", {{150, -3}, {1, -0.5f}}},
      {"99 characters", longest + "\n3 4\n", {{1, 2}, {3, 4}}},
      {"100 characters", longest + " \n3 4\n", {}},
      {"a very long line", "1 2\n" + std::string(10000, '7') + " 1\n3 4\n", {{1, 2}}},
      {"empty file", "", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.text), c.points) << c.what;
}

TEST(ReadGraphFile, TakesAtMost169PointsOrWhatASetHolds) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += std::to_string(i) + " 1\n";
  auto points = read(text);
  ASSERT_EQ(points.size(), 169u);
  EXPECT_EQ(points.back().setpoint, 168);
  EXPECT_EQ(read(text, 1000).size(), static_cast<std::size_t>(kComparisonSetSize));
}

TEST(GraphFile, RoundTripsSamplesIncludingValuesThatAreNoNumber) {
  std::vector<GraphSample> samples;
  for (int i = 0; i < 169; ++i) samples.push_back({i * 0.25f, 100 - i * 0.5f});
  samples[7] = {NAN, INFINITY};
  std::stringstream file;
  auto result = writeGraphFile(file, samples);
  EXPECT_TRUE(result.complete);
  EXPECT_EQ(result.linesWritten, 169);
  EXPECT_EQ(graphSaveStatusText(result, "graph.txt"), "169 points of data saved");

  auto loaded = readGraphFile(file);
  ASSERT_EQ(loaded.size(), samples.size());
  EXPECT_TRUE(std::isnan(loaded[7].setpoint));
  EXPECT_EQ(loaded[7].position, INFINITY);
  loaded[7] = samples[7] = {};
  EXPECT_EQ(loaded, samples);
}

class GraphFileOnDisk : public ::testing::Test {
 protected:
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("velk_graph_file_test_" + std::to_string(::getpid()));
  void SetUp() override { std::filesystem::create_directories(folder); }
  void TearDown() override { std::filesystem::remove_all(folder); }
};

TEST_F(GraphFileOnDisk, SavesAndLoadsAFileAndCreatesAnEmptyOneForNoSamples) {
  const auto path = (folder / "graph.txt").string();
  ASSERT_TRUE(saveGraphFile(path, {{1, 2}, {3, 4}}).complete);
  EXPECT_EQ(loadGraphFile(path), (std::vector<GraphSample>{{1, 2}, {3, 4}}));

  auto empty = saveGraphFile(path, {});
  EXPECT_EQ(graphSaveStatusText(empty, path), "0 points of data saved");
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  EXPECT_TRUE(loadGraphFile(path).empty());
  EXPECT_TRUE(loadGraphFile((folder / "missing.txt").string()).empty());
}

TEST_F(GraphFileOnDisk, ReportsAFileThatCannotBeWrittenAsNotSaved) {
  const std::vector<GraphSample> samples(169, GraphSample{50, 50});
  // a folder cannot be opened as a file; /dev/full takes no byte
  for (const std::string& path : {folder.string(), std::string("/dev/full")}) {
    auto result = saveGraphFile(path, samples);
    EXPECT_FALSE(result.complete) << path;
    EXPECT_TRUE(
        graphSaveStatusText(result, path).starts_with("Could not write the graph file " + path + ": "))
        << graphSaveStatusText(result, path);
  }
}

TEST(GraphFileNames, AppendTxtOnlyWithTheTextFilterAndNoTxtInTheName) {
  struct Case {
    const char* name;
    bool textFilter;
    const char* expected;
  };
  const Case cases[] = {
      {"/home/tech/graphs/run1", true, "/home/tech/graphs/run1.txt"},
      {"/home/tech/graphs/run1.txt", true, "/home/tech/graphs/run1.txt"},
      {"/home/tech/graphs/run1.txt.old", true, "/home/tech/graphs/run1.txt.old"},
      {"/home/tech/graphs/run1.TXT", true, "/home/tech/graphs/run1.TXT.txt"},
      {"/home/tech/graphs/run1", false, "/home/tech/graphs/run1"},
  };
  for (const auto& c : cases) EXPECT_EQ(withTxtExtension(c.name, c.textFilter), c.expected);
  EXPECT_TRUE(namesAFile("graph.txt"));
  EXPECT_TRUE(namesAFile("/tmp/graph.txt"));
  EXPECT_FALSE(namesAFile("/tmp/"));
  EXPECT_FALSE(namesAFile(""));
}

TEST(ComparisonSet, TakesALoadAndKeepsOlderPointsBeyondIt) {
  ComparisonSet set;
  set.assign(std::vector<GraphSample>(169, GraphSample{1, 2}));
  set.assign({{7, 8}});
  EXPECT_EQ(set.count, 1);
  EXPECT_EQ(set.setpoint[0], 7);
  EXPECT_EQ(set.position[168], 2);
  EXPECT_EQ(graphLoadStatusText(169, 1), "169 points of data loaded into set 1");
  EXPECT_EQ(graphLoadStatusText(0, 0), "0 points of data loaded into set 0");
}

}  // namespace
}  // namespace velk
