// SPDX-License-Identifier: GPL-3.0-or-later
// The project proofread as a whole: the style and spelling-variant rules on short texts
// with their expected groups, positions as the editor counts them, and edits applied one
// by one giving exactly what reading the project afresh gives.
#include "LanguageRules.h"
#include "Morphology.h"
#include "ProofChecker.h"
#include "ProjectFormat.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace penwick;
using namespace penwick::proof;

namespace {

std::unique_ptr<DomDocument> Doc(const std::string& xml)
{
    auto doc = std::make_unique<DomDocument>();
    doc->loadFromBytes(xml, "p.xml");
    return doc;
}

std::string Chapter(const std::string& title, const std::string& text, const std::string& inner = {})
{
    return "<chapter title=\"" + title + "\"><text>" + text + "</text>" + inner + "</chapter>";
}

std::string Project(const std::string& chapters)
{
    return "<project title=\"p\">" + chapters + "</project>";
}

RuleSet Only(Rule rule)
{
    RuleSet r = RuleSet::none();
    r.set(rule, true);
    return r;
}

// "path:line:column rule text" for each finding; the text from nodeText where given (the
// editor's marks carry no line).
QStringList Lines(const std::vector<ProofFinding>& findings, const std::string& nodeText = {})
{
    QStringList out;
    for (const ProofFinding& f : findings)
        out << QStringLiteral("%1:%2:%3 %4 %5")
                   .arg(QString::fromStdString(f.path))
                   .arg(f.line)
                   .arg(f.column)
                   .arg(QString::fromUtf8(RuleId(f.rule).data(), qsizetype(RuleId(f.rule).size())))
                   .arg(QString::fromStdString(nodeText.empty() ? f.lineText.substr(f.lineStart, f.lineLength)
                                                                : nodeText.substr(f.start, f.end - f.start)));
    return out;
}

QString Groups(const ProofChecker& checker)
{
    QStringList groups;
    for (const VariantGroup& g : checker.variantGroups()) {
        QStringList forms;
        for (const VariantForm& f : g)
            forms << QString::fromStdString(f.form) + QString::number(f.count);
        groups << forms.join(QLatin1Char('/'));
    }
    return groups.join(QLatin1Char(' '));
}

}  // namespace

class TestProofChecker : public QObject {
    Q_OBJECT

    std::unique_ptr<Morphology> m_morphology;

    std::unique_ptr<ProofChecker> Checker(Rule rule, const DomDocument& doc, std::vector<std::string> intended = {})
    {
        ProofOptions options;
        options.rules = Only(rule);
        options.intended = std::move(intended);
        auto checker = std::make_unique<ProofChecker>(options, m_morphology.get());
        checker->build(doc);
        return checker;
    }

private slots:
    void initTestCase()
    {
        std::string error;
        m_morphology = Morphology::Open(&error);
        QVERIFY2(m_morphology, error.c_str());
    }

    void sentenceEndings_data()
    {
        QTest::addColumn<QString>("sentence");
        QTest::addColumn<int>("ending");
        QTest::addColumn<QString>("words");
        const auto row = [](const char* s, Ending e, const char* words) {
            QTest::newRow(s) << QString::fromUtf8(s) << int(e) << QString::fromUtf8(words);
        };
        row("猫です。", Ending::Polite, "です");
        row("歩きました。", Ending::Polite, "ました");
        row("そうでしょうね。", Ending::Polite, "でしょう");
        row("ありません！", Ending::Polite, "ません");
        row("猫だ。", Ending::Plain, "だ");
        row("猫である。", Ending::Plain, "である");
        row("猫だったよ。", Ending::Plain, "だった");
        row("そうなのだろう。", Ending::Plain, "だろう");
        row("本を読んだ。", Ending::None, "");   // the past tense's だ is not the copula
        row("歩いた。", Ending::None, "");
        row("美しい。", Ending::None, "");
    }
    void sentenceEndings()
    {
        QFETCH(QString, sentence);
        QFETCH(int, ending);
        QFETCH(QString, words);
        Lexicon lexicon;
        const std::string s = sentence.toStdString();
        const SentenceFacts f = AnalyseSentence(*m_morphology, s, lexicon);
        QCOMPARE(int(f.ending), ending);
        QCOMPARE(QString::fromStdString(s.substr(f.endingStart, f.endingEnd - f.endingStart)), words);
    }

    // The minority of one chapter's narration is reported; dialogue, other chapters and a
    // chapter of one style are not.
    void styleMix()
    {
        const auto doc = Doc(Project(
            Chapter("一", "　朝だ。空は青い。\n　猫が鳴いた。それは猫である。\n　私は学生です。\n　「そうです。そうでしょう」と彼は言った。",
                    "<paragraph title=\"一の一\"><text>　夜だった。</text></paragraph>")
            + Chapter("二", "　私は学生です。毎日歩きます。\n　「嫌だ」と言いました。")
            + Chapter("三", "　猫です。\n　犬だ。")));
        const auto checker = Checker(Rule::StyleMix, *doc);
        // 一: だ, である, だった (in its paragraph node) against one です; 三: a tie, です reported.
        QCOMPARE(Lines(checker->findings()), (QStringList{"一:3:6 style-mix です", "三:1:3 style-mix です"}));
        const DomNode first = doc->documentElement().firstChild();
        QCOMPARE(Lines(checker->nodeFindings(first), format::NodeOwnText(first)), QStringList{"一:3:6 style-mix です"});
    }

    void spellingVariants()
    {
        const auto doc = Doc(Project(
            Chapter("一", "　出来ることは出来る。子供と私。\n　会う人と合う服。")
            + Chapter("二", "　できることをした。子どもと私とわたし。\n　木と気。", 
                      "<paragraph title=\"二の一\"><text>　出来た。</text></paragraph>")));
        const auto checker = Checker(Rule::SpellingVariants, *doc);
        // 会う/合う are different words (different kanji, one shape); 木/気 too.
        QCOMPARE(Groups(*checker), QStringLiteral("出来る3/できる1 子ども1/子供1 私2/わたし1"));
        // Each group once, at the first form other than the most used, with where they stand.
        const std::vector<ProofFinding> all = checker->findings();
        QCOMPARE(Lines(all), (QStringList{"一:1:12 spelling-variants 子供", "二:1:2 spelling-variants できる",
                                          "二:1:17 spelling-variants わたし"}));
        QCOMPARE(QString::fromStdString(all[0].message),
                 QStringLiteral("表記ゆれ：「子ども」1、「子供」1（「子供」一 1行）"));
        QCOMPARE(QString::fromStdString(all[1].message),
                 QStringLiteral("表記ゆれ：「出来る」3、「できる」1（「できる」二 1行）"));
        QCOMPARE(Lines(checker->findings()).size(), 3);
        // A form the writer keeps leaves its group; a group of one form is no group.
        const auto kept = Checker(Rule::SpellingVariants, *doc, {"わたし", "子ども"});
        QCOMPARE(Groups(*kept), QStringLiteral("出来る3/できる1"));
    }

    // Every occurrence of the other forms is marked in its node (where the list says once).
    void nodeFindingsMarkEveryOccurrence()
    {
        const auto doc = Doc(Project(Chapter("一", "　出来る。できる。できた。\n　出来る。出来る。出来る。出来る。")));
        const auto checker = Checker(Rule::SpellingVariants, *doc);
        const DomNode first = doc->documentElement().firstChild();
        QCOMPARE(Lines(checker->nodeFindings(first), format::NodeOwnText(first)),
                 (QStringList{"一:1:6 spelling-variants できる", "一:1:10 spelling-variants でき"}));
        QCOMPARE(checker->findings().size(), std::size_t(1));
    }

    // Lines, columns and the editor's UTF-16 positions: CR LF read as one line end, a
    // character outside the BMP counting two units.
    void positionsAsTheEditorCounts()
    {
        const auto doc = Doc(Project(Chapter("一", "　𠮷野家。\r\n𠮷野家…")));
        const auto checker = Checker(Rule::EvenLeaders, *doc);
        const auto all = checker->findings();
        QCOMPARE(all.size(), std::size_t(1));
        QCOMPARE(all[0].line, 2);
        QCOMPARE(all[0].column, 4);
        QCOMPARE(all[0].start16, 6 + 1 + 4);   // "　𠮷野家。", the line end, "𠮷野家"
        QCOMPARE(all[0].length16, 1);
        QCOMPARE(all[0].fix, std::optional<std::string>("……"));
        QCOMPARE(std::string("　𠮷野家。\n𠮷野家…").substr(all[0].start, all[0].end - all[0].start), std::string("…"));
    }

    void withoutTheAnalyserOnlyTheWrittenForm()
    {
        const auto doc = Doc(Project(Chapter("一", "出来る。できる。です。だ。")));
        ProofChecker checker(ProofOptions{}, nullptr);
        checker.build(*doc);
        QCOMPARE(Lines(checker.findings()), QStringList{"一:1:1 paragraph-start 出"});
    }

    // Random edits of a corpus chapter, applied one by one (as typing does), give exactly
    // the findings and groups of a checker that reads the edited project afresh.
    void editsMatchAFreshRead()
    {
        QFile story(QStringLiteral(PENWICK_CORPUS_DIR "/hashire_merosu.txt"));
        QVERIFY(story.open(QIODevice::ReadOnly));
        const QStringList paragraphs = QString::fromUtf8(story.readAll()).split(QLatin1Char('\n'));
        QString first = paragraphs.mid(0, 40).join(QLatin1Char('\n'));
        const QString second = paragraphs.mid(40, 40).join(QLatin1Char('\n'));
        auto doc = Doc(Project(Chapter("一", first.toStdString()) + Chapter("二", second.toStdString())));
        const DomNode node = doc->documentElement().firstChild();
        ProofChecker live(ProofOptions{}, m_morphology.get());
        live.build(*doc);
        QRandomGenerator random(21);
        const QStringList pieces{QStringLiteral("。"), QStringLiteral("です。"), QStringLiteral("だ。"),
                                 QStringLiteral("出来る"), QStringLiteral("できる"), QStringLiteral("\n"),
                                 QStringLiteral("「"), QStringLiteral("」"), QStringLiteral("…"),
                                 QStringLiteral("|猫《ねこ》"), QStringLiteral("！"), QStringLiteral("　")};
        for (int step = 0; step < 120; ++step) {
            const int at = int(random.bounded(first.size() + 1));
            if (random.bounded(3) == 0 && at < first.size())
                first.remove(at, int(random.bounded(1, 30)));
            else
                first.insert(at, pieces[int(random.bounded(pieces.size()))]);
            QVERIFY(live.setNodeText(node, first.toStdString()));
            if (step % 10 != 9)
                continue;
            ProofChecker fresh(ProofOptions{}, m_morphology.get());
            fresh.build(*doc, [&](DomNode n) -> std::optional<std::string> {
                return n == node ? std::optional<std::string>(first.toStdString()) : std::nullopt;
            });
            QCOMPARE(Lines(live.findings()), Lines(fresh.findings()));
            QCOMPARE(Lines(live.nodeFindings(node), first.toStdString()), Lines(fresh.nodeFindings(node), first.toStdString()));
            QCOMPARE(Groups(live), Groups(fresh));
        }
        // A rebuild after the edits (an outline command) agrees too.
        format::StoreNodeText(*doc, node, first.toStdString());
        const QStringList before = Lines(live.findings());
        live.build(*doc);
        QCOMPARE(Lines(live.findings()), before);
    }

    void intendedFormsBesideTheProject()
    {
        QTemporaryDir dir;
        const std::string project = dir.filePath(QStringLiteral("霧の街.xml")).toStdString();
        QVERIFY(ReadIntendedForms(project).empty());
        std::string error;
        QVERIFY(WriteIntendedForms(project, {"わたし", "子ども"}, &error));
        QCOMPARE(ReadIntendedForms(project), (std::vector<std::string>{"わたし", "子ども"}));
        QVERIFY(QFile::exists(QString::fromStdString(IntendedPathFor(project))));
        QVERIFY(WriteIntendedForms(project, {}, &error));
        QVERIFY(!QFile::exists(QString::fromStdString(IntendedPathFor(project))));
    }
};

QTEST_GUILESS_MAIN(TestProofChecker)
#include "tst_proofchecker.moc"
