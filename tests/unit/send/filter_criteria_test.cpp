#include "send/filter_criteria.h"

#include <gtest/gtest.h>

#include "send/recordset.h"

namespace qv::send {
namespace {

// Five records: a name, an amount, a due date, and a text code.
Recordset Sample() {
  Recordset rs;
  rs.AppendField("B", FieldType::VarChar, 500);
  rs.AppendField("FC_B", FieldType::VarChar, 500);
  rs.AppendField("FC_D", FieldType::Double, 15);
  rs.AppendField("FC_E", FieldType::TimeStamp, 0);
  rs.AppendField("FC First Name", FieldType::VarChar, 500);
  const struct {
    const char* name;
    Variant amount;
    Variant due;
  } rows[] = {
      {"Basil", 10.5, DateTime::FromParts(2009, 12, 28)},
      {"bastion", 10.0, DateTime::FromParts(2009, 12, 29, 10, 0)},
      {"O'Brien", 3000000000.0, "1/5/2010"},
      {"Anna", "not a number", "not a date"},
      {"Zed", -2.0, DateTime::FromParts(2009, 1, 1)},
  };
  for (const auto& r : rows) {
    rs.AddNew();
    rs.SetValue("B", r.name);
    rs.SetValue("FC_B", r.name);
    rs.SetValue("FC First Name", r.name);
    try {
      rs.SetValue("FC_D", r.amount);
    } catch (const AddinError&) {
    }
    try {
      rs.SetValue("FC_E", r.due);
    } catch (const AddinError&) {
    }
  }
  return rs;
}

std::string Matches(const std::string& criteria) {
  Recordset rs = Sample();
  rs.Filter(criteria);
  std::string names;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
    names += (names.empty() ? "" : ",") + rs.Text("B");
  return names;
}

TEST(FilterCriteria, MatchesByFieldType) {
  const struct {
    const char* criteria;
    const char* names;
  } cases[] = {
      {"FC_B like 'Bas%'", "Basil,bastion"},
      {"FC_B LIKE 'bas*'", "Basil,bastion"},
      {"FC_B like '%STI%'", "bastion"},
      {"FC_B like 'anna'", "Anna"},
      {"FC_B = 'o''brien'", "O'Brien"},
      {"FC_B <> 'Zed'", "Basil,bastion,O'Brien,Anna"},
      {"FC_B >= 'b'", "Basil,bastion,O'Brien,Zed"},
      {"FC_D > 10", "Basil,O'Brien"},
      {"FC_D >= 10", "Basil,bastion,O'Brien"},
      {"FC_D > 2147483647", "O'Brien"},
      {"FC_D < -1.5", "Zed"},
      {"FC_D = 1.05e1", "Basil"},
      {"FC_D = $10", "bastion"},
      {"FC_D = '10.5'", "Basil"},
      {"FC_D <> 10", "Basil,O'Brien,Zed"},
      {"FC_E > #12/28/2009#", "bastion,O'Brien"},
      {"FC_E>'12/28/2009'", "bastion,O'Brien"},
      {"FC_E = #12/29/2009 10:00 AM#", "bastion"},
      {"FC_E < #1/1/2009 0:00:01#", "Zed"},
      {"FC_D > 10 AND FC_B like 'B%'", "Basil"},
      {"FC_D > 10 OR FC_B = 'Zed'", "Basil,O'Brien,Zed"},
      {"FC_B = 'Zed' OR FC_B = 'Anna' AND FC_D < 0", "Zed"},
      {"(FC_D > 10 AND FC_B like 'B%') OR (FC_B = 'Zed')", "Basil,Zed"},
      {"(FC_B = 'Zed' OR FC_B = 'Anna') OR FC_D = 10", "bastion,Anna,Zed"},
      {"[FC First Name] = 'anna'", "Anna"},
      {"fc_b = 'ZED'", "Zed"},
  };
  for (const auto& c : cases) EXPECT_EQ(Matches(c.criteria), c.names) << c.criteria;
}

// Parentheses nest 64 deep at most, so that no formula can exhaust the stack.
TEST(FilterCriteria, ParenthesesNestSixtyFourDeep) {
  const auto nested = [](int depth) {
    return std::string(static_cast<std::size_t>(depth), '(') + "FC_D > 10" +
           std::string(static_cast<std::size_t>(depth), ')');
  };
  EXPECT_EQ(Matches(nested(64)), "Basil,O'Brien");
  EXPECT_THROW(FilterCriteria::Parse(nested(65)), FilterError);
  EXPECT_THROW(FilterCriteria::Parse(nested(100000)), FilterError);
}

TEST(FilterCriteria, RefusesWhatIsOutsideTheLanguage) {
  const struct {
    const char* criteria;
    const char* message;
  } cases[] = {
      {"FC_B lik 'x'",
       "an operator (<, >, <=, >=, <>, = or LIKE) was expected after FC_B at \"lik 'x'\""},
      {"FC_B = 'x", "a text in single quotes has no closing quote at \"'x\""},
      {"FC_B like 'B%s'",
       "in a LIKE pattern the wildcards * and % may stand only at the end, or at both ends at "
       "\"'B%s'\""},
      {"FC_B like '%Bas'",
       "in a LIKE pattern the wildcards * and % may stand only at the end, or at both ends at "
       "\"'%Bas'\""},
      {"FC_D > 'abc'", "FC_D holds numbers: compare it with a number at \"FC_D\""},
      {"FC_B = 5", "FC_B holds text: compare it with a text in single quotes at \"FC_B\""},
      {"FC_E > #13/45/2009#", "this is not a date (MM/DD/YYYY) at \"#13/45/2009#\""},
      {"FC_E > '2009'", "FC_E holds dates: '2009' is not a date (MM/DD/YYYY) at \"FC_E\""},
      {"FC_X = 'a'", "there is no field named FC_X at \"FC_X\""},
      {"(FC_B = 'a' OR FC_B = 'b') AND FC_D > 1",
       "a group of conditions joined by OR cannot be joined to another condition by AND at \"AND "
       "FC_D > 1\""},
      {"FC_D > 1 AND (FC_B = 'a' OR FC_B = 'b')",
       "a group of conditions joined by OR cannot be joined to another condition by AND at \"AND "
       "(FC_B = 'a' OR "
       "FC_B = 'b')\""},
      {"FC_B = 'a' XOR FC_D > 1", "AND or OR was expected at \"XOR FC_D > 1\""},
      {"(FC_B = 'a'", "a \")\" was expected at the end of the formula"},
      {"FC_B = 'a')", "a \")\" closes no \"(\" at \")\""},
      {"", "a condition was expected at the end of the formula"},
      {"FC_D > 10x",
       "a value (a text in single quotes, a date in # #, or a number) was expected at \"10x\""},
      {"FC_D like 10", "LIKE takes a text in single quotes at \"10\""},
      {"FC_D like '1%'", "LIKE compares text, but FC_D holds numbers at \"FC_D\""},
      {"#B# = 'x'", "a field name was expected at \"#B# = 'x'\""},
  };
  for (const auto& c : cases) {
    Recordset rs = Sample();
    try {
      rs.Filter(c.criteria);
      ADD_FAILURE() << c.criteria;
    } catch (const FilterError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.criteria;
    }
  }
}

TEST(Recordset, StoresWhatFitsAndLeavesTheRestNull) {
  Recordset rs;
  rs.AppendField("A", FieldType::VarChar, 20);
  EXPECT_THROW(rs.AppendField("a", FieldType::VarChar, 20), AddinError);
  rs.AppendField("FC_D", FieldType::Double, 15);
  rs.AddNew();
  EXPECT_THROW(rs.SetValue("A", std::string(21, '9')), AddinError);
  EXPECT_THROW(rs.SetValue("FC_D", "abc"), AddinError);
  rs.Filter("FC_D < 0 OR FC_D >= 0 OR A = ''");
  EXPECT_EQ(rs.RecordCount(), 0u) << "null matches no comparison";
  EXPECT_TRUE(rs.IsEOF());
  EXPECT_TRUE(rs.IsBOF());
}

}  // namespace
}  // namespace qv::send
