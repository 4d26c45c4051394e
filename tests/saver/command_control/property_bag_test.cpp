// The form-definition storage: defaults, order, the text form and hostile
// texts.
#include <gtest/gtest.h>

#include <string>

#include "property_bag.h"

namespace {

using tumbleview::FormDefinition;
using tumbleview::PropertyBag;

// A value equal to its write default is not stored, and reads as the read
// default; the text form keeps instances, order and awkward values.
TEST(PropertyBag, DefaultsAreNotStoredAndTheTextFormKeepsInstancesOrderAndAwkwardValues) {
  PropertyBag bag;
  bag.write("Caption", "OK", "Command");
  bag.write("Enabled", "0", "-1");
  EXPECT_EQ(bag.read("Caption", "Command1"), "OK");
  bag.write("Caption", "Command", "Command");  // back to the default: removed
  EXPECT_FALSE(bag.find("Caption"));
  EXPECT_EQ(bag.read("Caption", "Command1"), "Command1");
  ASSERT_EQ(bag.entries().size(), 1u);
  EXPECT_EQ(bag.entries()[0].first, "Enabled");

  FormDefinition form;
  form.instance("Cmd_Set").write("Caption", "設定", "Command");
  form.instance("Cmd_Set").write("FontColour", "255", "0");
  form.instance("Cmd_Can").write("Caption", "a=b\\c\nd\te\r\x01[x]", "Command");
  form.instance("Cmd_Pic");  // all defaults: stored with no values
  const std::string text = form.serialize();
  EXPECT_EQ(text.rfind("[Cmd_Set]\nCaption=設定\nFontColour=255\n[Cmd_Can]\nCaption=a=b\\\\c\\nd\\te\\r\\x01[x]\n", 0), 0u)
      << text;
  const auto back = FormDefinition::parse(text);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->instances().size(), 3u);
  EXPECT_EQ(back->instances()[1].first, "Cmd_Can");
  EXPECT_EQ(back->find("Cmd_Can")->read("Caption", ""), "a=b\\c\nd\te\r\x01[x]");
  EXPECT_EQ(back->find("Cmd_Set")->entries(), form.find("Cmd_Set")->entries());
  EXPECT_TRUE(back->find("Cmd_Pic")->empty());
  EXPECT_EQ(back->serialize(), text);
  // CRLF line ends and blank lines read the same.
  EXPECT_TRUE(FormDefinition::parse("[A]\r\nx=1\r\n\r\n[B]\r\n"));
}

TEST(FormDefinition, MalformedTextsAreRefusedWhole) {
  // Values outside an instance, lines without "=", empty or bad names,
  // unclosed or empty or repeated instances, repeated names, bad escapes.
  const char* const bad[] = {"x=1\n", "[A]\nno equals sign\n", "[A]\n=1\n", "[A]\nna me=1\n", "[A\n", "[]\n",
                             "[A]\n[A]\n", "[A]\nx=1\nx=2\n", "[A]\nx=\\q\n", "[A]\nx=\\\n", "[A]\nx=\\x4\n",
                             "[A]\nx=\\xZZ\n"};
  for (const char* text : bad) EXPECT_FALSE(FormDefinition::parse(text)) << text;
  EXPECT_FALSE(FormDefinition::parse(std::string(FormDefinition::kMaxTextSize + 1, '\n')));
  EXPECT_TRUE(FormDefinition::parse(""));
}

}  // namespace
