// The effect preprocessor: macros, conditionals, includes, and lines kept in place.
#include "runtime/fx/preprocessor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace ember {
namespace {

bool Preprocess(const std::string& source, std::string& out, std::string& error,
                const std::vector<FxMacro>& defines = {},
                const std::map<std::string, std::string>& files = {}) {
  const FxIncludeReader reader = [&](const std::string& name, bool, const std::string&,
                                     std::string& text, std::string&, std::string& reason) {
    auto found = files.find(name);
    if (found == files.end()) {
      reason = "no such file";
      return false;
    }
    text = found->second;
    return true;
  };
  return PreprocessEffect(source, "test.fx", defines, reader, out, error);
}

std::string Expanded(const std::string& source, const std::vector<FxMacro>& defines = {},
                     const std::map<std::string, std::string>& files = {}) {
  std::string out, error;
  EXPECT_TRUE(Preprocess(source, out, error, defines, files)) << error;
  return out;
}

std::string ErrorOf(const std::string& source) {
  std::string out, error;
  EXPECT_FALSE(Preprocess(source, out, error));
  return error;
}

TEST(FxPreprocessor, MacrosExpandOutsideCommentsAndStrings) {
  EXPECT_EQ(Expanded("#define N 4\nfloat4 lights[N]; // N stays\n"),
            "\nfloat4 lights[4]; // N stays\n");
  EXPECT_EQ(Expanded("#define SQR(x) ((x) * (x))\nfloat a = SQR(b + 1);\n"),
            "\nfloat a = ((b + 1) * (b + 1));\n");
  EXPECT_EQ(Expanded("#define S \"N\"\n#define N 2\nstring s = S; /* N */ int n = N;\n"),
            "\n\nstring s = \"N\"; /* N */ int n = 2;\n");
  // A macro is not expanded inside itself; a function-like name without arguments stays.
  EXPECT_EQ(Expanded("#define X X + 1\n#define F(a) a\nint y = X; int F;\n"),
            "\n\nint y = X + 1; int F;\n");
  EXPECT_EQ(Expanded("int x = N;\n", {{"N", "7"}}), "int x = 7;\n");
  // A definition can go on over a backslash; its lines are kept.
  EXPECT_EQ(Expanded("#define LONG 1 + \\\n 2\nint l = LONG;\n"), "\n\nint l = 1 +  2;\n");
}

TEST(FxPreprocessor, HashMakesStringsAndDoubleHashPastes) {
  EXPECT_EQ(Expanded("#define NAME(x) #x\nstring s = NAME(diffuse map);\n"),
            "\nstring s = \"diffuse map\";\n");
  EXPECT_EQ(Expanded("#define QUOTE(x) # x\nstring s = QUOTE(\"a\\\\b\");\n"),
            "\nstring s = \"\\\"a\\\\\\\\b\\\"\";\n");
  // Pasted names are read again, so they can name macros and samplers.
  EXPECT_EQ(
      Expanded("#define SAMPLER(n) sampler##n\n#define sampler2 hit\nSAMPLER(1) SAMPLER( 2 )\n"),
      "\n\nsampler1 hit\n");
  EXPECT_EQ(Expanded("#define TEX(i) TEXCOORD ## i\n#define V float2 uv : TEX(3)\nV;\n"),
            "\n\nfloat2 uv : TEXCOORD3;\n");
  EXPECT_EQ(Expanded("#define JOIN a ## b\nJOIN\n"), "\nab\n");
  // In a string of the body nothing is replaced.
  EXPECT_EQ(Expanded("#define S(x) \"x\" x\nS(1)\n"), "\n\"x\" 1\n");
}

TEST(FxPreprocessor, ConditionalsKeepOneBranchAndEveryLine) {
  const std::string source =
      "#define QUALITY 2\n"
      "#if QUALITY > 1 && defined(QUALITY)\n"
      "high\n"
      "#elif QUALITY == 1\n"
      "medium\n"
      "#else\n"
      "low\n"
      "#endif\n"
      "#ifdef MISSING\n"
      "gone\n"
      "#endif\n"
      "#ifndef MISSING\n"
      "kept\n"
      "#endif\n";
  const std::string out = Expanded(source);
  EXPECT_EQ(out, "\n\nhigh\n\n\n\n\n\n\n\n\n\nkept\n\n");
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'),
            std::count(source.begin(), source.end(), '\n'));
  EXPECT_EQ(Expanded("#if (1 << 3) % 5 == 3 ? !0 : 0\nyes\n#endif\n"), "\nyes\n\n");
  EXPECT_EQ(Expanded("#if 0\n#error not here\n#endif\n"), "\n\n\n");
}

TEST(FxPreprocessor, IncludesComeInPlaceAndPragmasStay) {
  EXPECT_EQ(Expanded("#include \"common.fxh\"\nfloat a = SCALE;\n", {},
                     {{"common.fxh", "#define SCALE 3\nfloat b;\n"}}),
            "\nfloat b;\n\nfloat a = 3;\n");
  EXPECT_EQ(Expanded("#pragma pack_matrix(row_major)\n"), "#pragma pack_matrix(row_major)\n");
  // The reader learns who includes: nested files are read from beside their includer.
  std::vector<std::string> asked;
  const FxIncludeReader reader = [&](const std::string& name, bool, const std::string& includer,
                                     std::string& text, std::string& path, std::string&) {
    asked.push_back(includer + " -> " + name);
    path = "lib/" + name;
    text = name == "a.fxh" ? "#include \"b.fxh\"\n" : "b\n";
    return true;
  };
  std::string out, error;
  ASSERT_TRUE(PreprocessEffect("#include \"a.fxh\"\n", "top.fx", {}, reader, out, error)) << error;
  EXPECT_EQ(asked, std::vector<std::string>({"top.fx -> a.fxh", "lib/a.fxh -> b.fxh"}));
}

TEST(FxPreprocessor, ErrorsNameTheFileAndTheLine) {
  EXPECT_EQ(ErrorOf("\n#error stop here\n"), "test.fx(2,1): error: #error stop here");
  EXPECT_EQ(ErrorOf("#if 1\n"), "test.fx(1,1): error: #if without #endif");
  EXPECT_EQ(ErrorOf("#endif\n"), "test.fx(1,1): error: #endif without #if");
  EXPECT_EQ(ErrorOf("#if 1 +\n#endif\n"), "test.fx(1,1): error: #if cannot read \"1 +\"");
  EXPECT_EQ(ErrorOf("#if 1 / 0\n#endif\n"), "test.fx(1,1): error: #if cannot read \"1 / 0\"");
  EXPECT_EQ(ErrorOf("#include \"missing.fxh\"\n"),
            "test.fx(1,1): error: cannot #include \"missing.fxh\": no such file");
  EXPECT_EQ(ErrorOf("#include <>\n"), "test.fx(1,1): error: cannot #include \"\": no such file");
  // A file that includes itself stops at a depth limit instead of running away.
  std::string out, error;
  EXPECT_FALSE(Preprocess("#include \"self.fxh\"\n", out, error, {},
                          {{"self.fxh", "#include \"self.fxh\"\n"}}));
  EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
  // Macros that double at every step stop at a limit instead of filling the memory.
  std::string doubling;
  for (int i = 0; i < 40; ++i)
    doubling += "#define M" + std::to_string(i) + " M" + std::to_string(i + 1) + " M" +
                std::to_string(i + 1) + "\n";
  EXPECT_NE(ErrorOf(doubling + "M0\n").find("macro expansion too deep or too large"),
            std::string::npos);
  // Macros that name each other stop where a name would come back, as C's do.
  EXPECT_EQ(Expanded("#define A B\n#define B A\nA\n"), "\n\nA\n");
}

}  // namespace
}  // namespace ember
