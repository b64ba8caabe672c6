// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of the written form, one table each: what they flag, and as carefully what
// they must leave alone. A row gives a paragraph and what the rule finds in it, as
// "text[fix]" spans joined by '|' (no fix: "text"); an empty expectation: nothing.
#include "ProofRules.h"
#include "ProofSettings.h"

#include <QTest>

using namespace penwick::proof;

namespace {

QString Found(const std::string& paragraph, Rule rule, ParagraphOptions options = {})
{
    RuleSet only = RuleSet::none();
    only.set(rule, true);
    QStringList spans;
    for (const Finding& f : CheckParagraph(paragraph, only, options)) {
        if (f.rule != rule || f.end < f.start || f.end > paragraph.size() || f.message.empty())
            return QStringLiteral("bad finding");
        QString span = QString::fromStdString(paragraph.substr(f.start, f.end - f.start));
        if (f.fix)
            span += QLatin1Char('[') + QString::fromStdString(*f.fix) + QLatin1Char(']');
        spans << span;
    }
    return spans.join(QLatin1Char('|'));
}

}  // namespace

class TestProofRules : public QObject {
    Q_OBJECT

private:
    void table()
    {
        QTest::addColumn<QString>("paragraph");
        QTest::addColumn<QString>("expected");
    }
    void row(const char* name, const char* paragraph, const char* expected)
    {
        QTest::newRow(name) << QString::fromUtf8(paragraph) << QString::fromUtf8(expected);
    }
    void check(Rule rule, ParagraphOptions options = {})
    {
        QFETCH(QString, paragraph);
        QFETCH(QString, expected);
        QCOMPARE(Found(paragraph.toStdString(), rule, options), expected);
    }

private slots:
    void paragraphStart_data()
    {
        table();
        row("indented", "　吾輩は猫である。", "");
        row("no indent", "吾輩は猫である。", "吾");
        row("half-width space", " 吾輩は猫である。", " ");
        row("dialogue", "「はい」と答えた。", "");
        row("double quote", "『猫』という本。", "");
        row("space before dialogue", "　「はい」と答えた。", "　");
        row("two spaces before dialogue", "　　「はい」", "　　");
        row("dash start indented", "　――そうだったのか。", "");
        row("dash start unindented", "――そうだったのか。", "―");
        row("ruby at the start", "　|吾輩《わがはい》は猫である。", "");
        row("ruby unindented", "|吾輩《わがはい》は猫である。", "吾");
        row("blank", "", "");
        row("spaces only", "　　", "");
        row("scene break", "＊　＊　＊", "");
        row("centred scene break", "　　　◇", "");
        row("section number", "三", "");
        row("chapter heading", "第十二章", "");
        row("a numeral starting prose", "三人は歩いた。", "三");
    }
    void paragraphStart() { check(Rule::ParagraphStart); }

    void punctBeforeClose_data()
    {
        table();
        row("maru before close", "「そうです。」", "。");
        row("ten before close", "「ええ、」", "、");
        row("double bracket", "『終わり。』", "。");
        row("no maru", "「そうです」", "");
        row("maru after close", "「そうです」。", "");
        row("maru before paren", "（注。）", "");
        row("two in a line", "「はい。」「いいえ。」", "。|。");
    }
    void punctBeforeClose() { check(Rule::PunctBeforeClose); }

    void spaceAfterMark_data()
    {
        table();
        row("no space", "えっ！本当に？", "！");
        row("space", "えっ！　本当に？", "");
        row("end of paragraph", "本当に？", "");
        row("before close", "「本当に？」", "");
        row("run", "なんだって！？それは", "！？");
        row("run with space", "なんだって！？　それは", "");
        row("half-width pair", "なんだって!?それは", "!?");
        row("half-width pair spaced", "なんだって!?　それは", "");
        row("double mark", "そんな‼嘘だ", "‼");
        row("latin exclamation", "Yahoo!で調べた", "");
        row("two marks apart", "え？あ！", "？");
    }
    void spaceAfterMark() { check(Rule::SpaceAfterMark); }

    void evenLeaders_data()
    {
        table();
        row("single", "それは…", "…[……]");
        row("pair", "それは……", "");
        row("three", "それは………", "………[…………]");
        row("four", "それは…………", "");
        row("single dash", "それは―", "―[――]");
        row("pair of dashes", "それは――", "");
        row("two-dot leader", "はい‥", "‥[‥‥]");
        row("two runs", "…あ――い―", "…[……]|―[――]");
    }
    void evenLeaders() { check(Rule::EvenLeaders); }

    void leaderSubstitutes_data()
    {
        table();
        row("nakaguro", "それは・・・", "・・・[……]");
        row("two nakaguro", "それは・・", "・・[……]");
        row("one nakaguro", "ジョン・スミス", "");
        row("dots", "それは...", "...[……]");
        row("two dots", "v1.2..", "");
        row("full stops", "それは。。。", "。。。[……]");
        row("commas", "それは、、、", "、、、[……]");
        row("long vowel marks", "それはーー違う", "ーー[――]");
        row("drawn-out katakana", "ウーーン", "");
        row("fullwidth hyphens", "それは－－違う", "－－[――]");
        row("em dashes", "それは——違う", "——[――]");
        row("box drawing", "それは──違う", "──[――]");
        row("four em dashes", "それは————違う", "————[――――]");
        row("real dash", "それは――違う", "");
        row("one long vowel", "ラーメン", "");
    }
    void leaderSubstitutes() { check(Rule::LeaderSubstitutes); }

    void doubledPunct_data()
    {
        table();
        row("two ten", "それは、、違う", "、、[、]");
        row("two maru", "終わり。。", "。。[。]");
        row("mixed", "終わり、。", "、。[、]");
        row("mixed three", "終わり、。。", "、。。[、]");
        row("three maru is a leader", "終わり。。。", "");
        row("one each", "それは、違う。", "");
    }
    void doubledPunct() { check(Rule::DoubledPunct); }

    void brackets_data()
    {
        table();
        row("paired", "「はい」と『いいえ』", "");
        row("nested", "「彼は『猫』と言った」", "");
        row("unclosed", "「はい、と言った。", "「");
        row("unopened", "はい」と言った。", "」");
        row("crossed", "「彼は『猫」と言った』", "『|』");
        row("wrong close", "（注】", "（|】");
        row("all kinds", "【見出し】〈書名〉（注）", "");
        row("ruby brackets are notation", "「|吾輩《わがはい》」", "");
        row("unclosed inner", "「彼は『猫と言った」", "『");
        row("apostrophe", "Don’t stop（注）", "");
    }
    void brackets() { check(Rule::Brackets); }

    void halfwidthKana_data()
    {
        table();
        row("katakana", "ｶﾀｶﾅで書く", "ｶﾀｶﾅ");
        row("voiced", "ｶﾞｯｺｳ", "ｶﾞｯｺｳ");
        row("two runs", "ｱと ｲ", "ｱ|ｲ");
        row("full width", "カタカナで書く", "");
    }
    void halfwidthKana() { check(Rule::HalfwidthKana); }

    void longNumerals_data()
    {
        table();
        row("year", "2024年の春", "2024");
        row("two digits", "12月", "");
        row("one digit", "3人", "");
        row("three digits", "100円", "100");
        row("in a word", "A4の紙とmp3", "");
        row("model number", "R2D2", "");
        row("fullwidth digits", "２０２４年", "");
        row("decimal", "3.14", "");
    }
    void longNumerals() { check(Rule::LongNumerals); }

    void longNumeralsFollowTheSettings()
    {
        QCOMPARE(Found("100円", Rule::LongNumerals, {true, 3}), QString());
        QCOMPARE(Found("1000円", Rule::LongNumerals, {true, 3}), QStringLiteral("1000"));
        QCOMPARE(Found("12月", Rule::LongNumerals, {true, 0}), QStringLiteral("12"));
        QCOMPARE(Found("2024年", Rule::LongNumerals, {false, 2}), QString());   // horizontal text
    }

    // A finding inside ruby notation lies on the text as written; a fix that would take in
    // the notation's marks is not offered.
    void rubyIsReadAsItsBase()
    {
        QCOMPARE(Found("　|猫《ねこ》…", Rule::EvenLeaders), QStringLiteral("…[……]"));
        QCOMPARE(Found("　「|猫《ねこ》。」", Rule::PunctBeforeClose), QStringLiteral("。"));
        // 。 then a ruby whose base starts the span: the bar lies inside, so no fix.
        QCOMPARE(Found("　それは、|、《てん》", Rule::DoubledPunct), QStringLiteral("、|、"));
        // A reading never counts: 「」 inside 《》 are not the text's brackets.
        QCOMPARE(Found("　|猫《「ねこ》", Rule::Brackets), QString());
    }

    void everyRuleHasAnIdAndATitle()
    {
        for (std::size_t i = 0; i < kRuleCount; ++i) {
            const Rule r = Rule(i);
            QVERIFY(!RuleTitle(r).empty());
            QCOMPARE(RuleFromId(RuleId(r)), std::optional<Rule>(r));
        }
        QCOMPARE(RuleFromId("no-such-rule"), std::nullopt);
    }

    void settingsSwitchRulesOff()
    {
        std::vector<std::string> problems;
        const ProofOptions o = ReadProofSettings("[editor]\ntateChuYoko=3\n[proofread]\nparagraph-start=false\n"
                                                 "style-mix=off\nbrackets=true\nno-such-rule=false\nlong-numerals=maybe\n"
                                                 "[grids]\nparagraph-start=false\n",
                                                 &problems);
        QVERIFY(!o.rules.has(Rule::ParagraphStart));
        QVERIFY(!o.rules.has(Rule::StyleMix));
        QVERIFY(o.rules.has(Rule::Brackets));
        QVERIFY(o.rules.has(Rule::LongNumerals));
        QCOMPARE(o.paragraph.tateChuYoko, 3);
        QCOMPARE(problems.size(), std::size_t(2));
        // The rules switched off find nothing at all.
        QVERIFY(CheckParagraph("吾輩は猫", o.rules, o.paragraph).empty());
    }
};

QTEST_GUILESS_MAIN(TestProofRules)
#include "tst_proofrules.moc"
