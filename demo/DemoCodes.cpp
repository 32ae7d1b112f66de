#include "demo/DemoCodes.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace {

// Source lines "code|name" or "code|name|1" (the 1: no longer in use). A yearly table's line may
// start with "year+" to say that the code exists from that year on.
struct TSourceLine {
    const char *Text;
};

// Parent rule of a table: the code without its last level.
using TParentRule = QString (*)(const QString &code);

QString ParentByThree(const QString &code) { return code.size() > 3 ? code.chopped(3) : QString(); }
QString ParentByTwo(const QString &code) { return code.size() > 2 ? code.chopped(2) : QString(); }
QString ParentByOne(const QString &code) { return code.size() > 1 ? code.chopped(1) : QString(); }
// Subjects: class (3 digits), section (5), item (7).
QString SubjectParent(const QString &code) { return code.size() > 3 ? code.chopped(2) : QString(); }
// Payment methods 10 and 20 stand at the top level; 31 and 32 belong to 3.
QString PayKindParent(const QString &code) { return code.size() == 2 && code[1] != QLatin1Char('0') ? code.left(1) : QString(); }

const TSourceLine kUnits[] = {
    {"001|市教育局"}, {"001001|市教育局机关"}, {"001002|市第一中学"}, {"001003|市第二中学"},
    {"001004|市实验小学"}, {"001005|市教育考试院"}, {"001006|市职业教育中心"},
    {"001006001|市职业教育中心本部"}, {"001006002|市职业技术学校"}, {"001006003|市技工学校(已撤并)|1"},
    {"001007|市直属幼儿园"}, {"001007001|市机关幼儿园"}, {"001007002|市实验幼儿园"},
    {"002|市卫生健康委员会"}, {"002001|市卫生健康委员会机关"}, {"002002|市第一人民医院"},
    {"002002001|市第一人民医院本部"}, {"002002002|市第一人民医院东院区"}, {"002003|市中医院"},
    {"002004|市妇幼保健院"}, {"002005|市疾病预防控制中心"}, {"002006|市卫生监督所"}, {"002007|市急救中心"},
    {"003|市财政局"}, {"003001|市财政局机关"}, {"003002|市国库集中支付中心"}, {"003003|市财政投资评审中心"},
    {"003004|市政府采购中心"}, {"003005|市非税收入管理局"},
    {"004|市公安局"}, {"004001|市公安局机关"}, {"004002|市公安局交通警察支队"}, {"004002001|交警一大队"},
    {"004002002|交警二大队"}, {"004002003|交警三大队"}, {"004003|市公安局看守所"},
    {"004004|市公安局城东分局"}, {"004004001|城东分局机关"}, {"004004002|城东分局东关派出所"},
    {"004004003|城东分局北关派出所"}, {"004005|市公安局城西分局"}, {"004005001|城西分局机关"},
    {"004005002|城西分局西关派出所"}, {"004006|市公安局出入境管理支队(已撤销)|1"},
    {"005|市民政局"}, {"005001|市民政局机关"}, {"005002|市社会福利院"}, {"005003|市救助管理站"},
    {"005004|市殡仪馆"}, {"005005|市婚姻登记处"},
    {"006|市农业农村局"}, {"006001|市农业农村局机关"}, {"006002|市农业技术推广中心"},
    {"006002001|市农业技术推广中心本部"}, {"006002002|市土壤肥料工作站"}, {"006002003|市植物保护站"},
    {"006003|市畜牧兽医站"}, {"006004|市农产品质量安全检测中心"}, {"006005|市农机管理站(已撤并)|1"},
    {"007|市交通运输局"}, {"007001|市交通运输局机关"}, {"007002|市公路管理局"},
    {"007002001|市公路管理局本部"}, {"007002002|城东公路管理所"}, {"007002003|城西公路管理所"},
    {"007003|市道路运输管理处"}, {"007004|市港航管理处"},
    {"008|市文化广电旅游局"}, {"008001|市文化广电旅游局机关"}, {"008002|市图书馆"}, {"008003|市博物馆"},
    {"008004|市文化馆"}, {"008005|市广播电视台"}, {"008005001|市广播电视台本部"},
    {"008005002|市广播电视台新闻中心"}, {"008006|市文物管理所"},
    {"009|市人力资源和社会保障局"}, {"009001|市人力资源和社会保障局机关"}, {"009002|市社会保险事业管理中心"},
    {"009003|市就业服务中心"}, {"009004|市劳动人事争议仲裁院"},
    {"010|市住房和城乡建设局"}, {"010001|市住房和城乡建设局机关"}, {"010002|市住房公积金管理中心"},
    {"010003|市城市建设档案馆"}, {"010004|市房屋征收服务中心"},
    {"011|市自然资源局"}, {"011001|市自然资源局机关"}, {"011002|市不动产登记中心"}, {"011003|市土地储备中心"},
    {"012|市人民政府办公室"}, {"012001|市人民政府办公室机关"}, {"012002|市机关事务管理局"},
    {"012003|市政务服务中心"}, {"012004|市人民政府驻京联络处(已撤销)|1"},
};

const TSourceLine kFundNatures[] = {
    {"1|财政拨款资金"}, {"11|一般公共预算资金"}, {"12|政府性基金预算资金"}, {"13|国有资本经营预算资金"},
    {"2|财政专户管理资金"}, {"21|教育收费"}, {"22|其他财政专户管理资金"},
    {"3|单位资金"}, {"31|单位自有资金"}, {"32|上级补助收入|1"},
};

const TSourceLine kExpenditureTypes[] = {
    {"1|基本支出"}, {"11|人员经费"}, {"12|日常公用经费"}, {"17|自有资金人员经费"},
    {"18|自有资金公用经费"}, {"19|自有资金项目经费"},
    {"2|项目支出"}, {"21|专项业务费"}, {"22|一般项目支出"}, {"23|基本建设支出|1"},
};

const TSourceLine kPayKinds[] = {
    {"10|财政直接支付"}, {"20|财政授权支付"}, {"3|其他支付方式"}, {"31|单位自行支付"}, {"32|实拨资金|1"},
};

const TSourceLine kBudgetKinds[] = {
    {"1|上级补助"}, {"11|中央补助"}, {"12|省级补助"}, {"2|本级财力"}, {"21|当年预算"}, {"22|上年结余"},
};

const TSourceLine kDataKinds[] = {
    {"1|指标数据"}, {"11|年初指标"}, {"12|追加指标"}, {"2|用款计划"}, {"21|月度用款计划"}, {"22|季度用款计划|1"},
};

const TSourceLine kAgents[] = {
    {"01|办公设备供应商"}, {"0101|市新华书店"}, {"0102|市电脑城联想专卖店"}, {"0103|市办公用品公司"},
    {"02|工程服务供应商"}, {"0201|市第一建筑工程公司"}, {"0202|市市政工程公司"},
    {"03|医疗器械供应商"}, {"0301|省医药有限公司"}, {"0302|市医疗器械公司|1"},
};

const TSourceLine kSubjects[] = {
    {"201|一般公共服务"}, {"20101|人大事务"}, {"2010101|行政运行"}, {"2010102|一般行政管理事务"},
    {"2010104|人大会议"}, {"2011+2010199|其他人大事务支出"},
    {"20103|政府办公厅(室)及相关机构事务"}, {"2010301|行政运行"}, {"2010302|一般行政管理事务"}, {"2010350|事业运行"},
    {"20106|财政事务"}, {"2010601|行政运行"}, {"2010607|信息化建设"}, {"2010608|财政委托业务支出"},
    {"204|公共安全"}, {"20402|公安"}, {"2040201|行政运行"}, {"2040202|一般行政管理事务"}, {"2040204|治安管理"},
    {"205|教育"}, {"20501|教育管理事务"}, {"2050101|行政运行"}, {"20502|普通教育"}, {"2050201|学前教育"},
    {"2050202|小学教育"}, {"2050203|初中教育"}, {"2050204|高中教育"}, {"20503|职业教育"},
    {"2050302|中专教育"}, {"2050303|技校教育"}, {"20508|教育费附加安排的支出"}, {"2010+2050803|城市中小学校舍建设"},
    {"207|文化体育与传媒"}, {"20701|文化"}, {"2070101|行政运行"}, {"2070104|图书馆"}, {"2070109|群众文化"},
    {"20702|文物"}, {"2070204|文物保护"}, {"2070205|博物馆"}, {"20704|广播影视"}, {"2070404|广播"}, {"2070405|电视"},
    {"208|社会保障和就业"}, {"20801|人力资源和社会保障管理事务"}, {"2080101|行政运行"}, {"2080109|社会保险经办机构"},
    {"20805|行政事业单位离退休"}, {"2080501|归口管理的行政单位离退休"}, {"2080502|事业单位离退休"},
    {"20810|社会福利"}, {"2081002|老年福利"}, {"2081004|殡葬"}, {"2081006|救助管理"},
    {"210|医疗卫生"}, {"21001|医疗卫生管理事务"}, {"2100101|行政运行"}, {"21002|公立医院"},
    {"2100201|综合医院"}, {"2100202|中医(民族)医院"}, {"2100204|妇产医院"}, {"21004|公共卫生"},
    {"2100401|疾病预防控制机构"}, {"2100402|卫生监督机构"}, {"2100403|妇幼保健机构"}, {"2100405|应急救治机构"},
    {"212|城乡社区事务"}, {"21201|城乡社区管理事务"}, {"2120101|行政运行"}, {"21203|城乡社区公共设施"},
    {"2120399|其他城乡社区公共设施支出"},
    {"213|农林水事务"}, {"21301|农业"}, {"2130101|行政运行"}, {"2130104|事业运行"}, {"2130108|病虫害控制"},
    {"2130109|农产品质量安全"},
    {"214|交通运输"}, {"21401|公路水路运输"}, {"2140101|行政运行"}, {"2140106|公路养护"}, {"2140112|港航设施"},
    {"220|国土资源气象等事务"}, {"22001|国土资源事务"}, {"2200101|行政运行"}, {"2200106|土地资源调查"},
    {"221|住房保障支出"}, {"22102|住房改革支出"}, {"2210201|住房公积金"}, {"2210202|提租补贴"}, {"2210203|购房补贴"},
};

const TSourceLine kEconomyKinds[] = {
    {"301|工资福利支出"}, {"30101|基本工资"}, {"30102|津贴补贴"}, {"30103|奖金"}, {"30104|社会保障缴费"},
    {"302|商品和服务支出"}, {"30201|办公费"}, {"30202|印刷费"}, {"30205|水费"}, {"30206|电费"}, {"30207|邮电费"},
    {"30211|差旅费"}, {"30213|维修(护)费"}, {"30215|会议费"}, {"30216|培训费"}, {"30217|公务接待费"},
    {"2011+30231|公务用车运行维护费"},
    {"303|对个人和家庭的补助"}, {"30301|离休费"}, {"30302|退休费"}, {"30305|生活补助"}, {"30309|奖励金|1"},
    {"310|其他资本性支出"}, {"31002|办公设备购置"}, {"31003|专用设备购置"}, {"31013|公务用车购置"},
};

const TSourceLine kItems[] = {
    {"01|人员类项目"}, {"0101|基本工资"}, {"0102|津贴补贴"}, {"0103|绩效工资"}, {"0104|社会保障缴费"},
    {"0105|住房公积金"},
    {"02|公用类项目"}, {"0201|办公费"}, {"0202|水电费"}, {"0203|差旅费"}, {"0204|会议费"}, {"0205|公务用车运行维护费"},
    {"0206|培训费"},
    {"03|专项类项目"}, {"0301|教育专项"}, {"030101|学生资助"}, {"030102|校舍维修改造"}, {"030103|教师培训"},
    {"0302|卫生专项"}, {"030201|基本公共卫生服务"}, {"030202|医疗设备购置"}, {"030203|重大疾病防控"},
    {"0303|农业专项"}, {"030301|农业技术推广"}, {"030302|动物疫病防控"}, {"030303|农田水利建设|1"},
    {"0304|交通专项"}, {"030401|公路养护工程"}, {"030402|农村公路建设"},
    {"0305|文化专项"}, {"030501|文物保护"}, {"030502|公共文化服务"}, {"030503|广播电视村村通"},
    {"0306|社会保障专项"}, {"030601|城乡低保"}, {"030602|就业补助"}, {"030603|社会福利救助"},
    {"0307|公共安全专项"}, {"030701|交通管理设施"}, {"030702|办案业务经费"},
    {"0308|行政事务专项"}, {"030801|信息化建设"}, {"030802|财政监督检查"}, {"030803|城市规划编制"},
    {"04|政府采购项目"}, {"0401|办公设备购置"}, {"0402|公务用车购置"}, {"0403|专用设备购置"},
};

const TSourceLine kBalanceItems[] = {
    {"99|上年结转项目"}, {"9901|结转学生资助"}, {"9902|结转校舍维修改造"}, {"9903|结转公路养护工程"},
    {"9904|结转基本公共卫生服务"}, {"9905|结转文物保护|1"},
};

const TSourceLine kBureaux[] = {
    {"01|预算处"}, {"02|行政政法处"}, {"03|教科文处"}, {"04|社会保障处"}, {"05|经济建设处"}, {"06|农业处"},
    {"07|综合处|1"},
};

struct TParsedLine {
    int FromYear = 0;
    QString Code, Name, UseFlag;
};

TParsedLine ParseLine(const char *text) {
    TParsedLine line;
    QString rest = QString::fromUtf8(text);
    const qsizetype plus = rest.indexOf(QLatin1Char('+'));
    if (plus > 0 && plus < rest.indexOf(QLatin1Char('|'))) {
        line.FromYear = rest.left(plus).toInt();
        rest = rest.mid(plus + 1);
    }
    const QStringList parts = rest.split(QLatin1Char('|'));
    line.Code = parts.value(0);
    line.Name = parts.value(1);
    line.UseFlag = parts.value(2) == QLatin1String("1") ? QStringLiteral("1") : QStringLiteral("0");
    return line;
}

template <size_t N>
QList<TCodeRow> BuildRows(const TSourceLine (&source)[N], TParentRule parentOf, int year = 0) {
    QList<TParsedLine> lines;
    for (const TSourceLine &s : source) {
        TParsedLine line = ParseLine(s.Text);
        if (year == 0 || line.FromYear <= year) lines << line;
    }
    QSet<QString> parents;
    for (const TParsedLine &line : lines) parents.insert(parentOf(line.Code));
    QList<TCodeRow> rows;
    for (const TParsedLine &line : lines) {
        const QString leaf = parents.contains(line.Code) ? QStringLiteral("1") : QStringLiteral("0");
        rows << TCodeRow{line.Code, parentOf(line.Code), line.Name, leaf, line.UseFlag, QString()};
    }
    return rows;
}

// Yearly rows carry their year in Extra while the table is being built.
template <size_t N>
QList<TCodeRow> BuildYearlyRows(const TSourceLine (&source)[N], TParentRule parentOf) {
    QList<TCodeRow> rows;
    for (int year : DemoYears()) {
        for (TCodeRow row : BuildRows(source, parentOf, year)) {
            row.Extra = QString::number(year);
            rows << row;
        }
    }
    return rows;
}

QList<TCodeRow> UnitRows() {
    QList<TCodeRow> rows = BuildRows(kUnits, ParentByThree);
    for (TCodeRow &row : rows) row.Extra = QString::number(row.Code.size() / 3);
    return rows;
}

// Item type 1: budget items offered by the pickers; 2: purchase items kept apart.
QList<TCodeRow> ItemRows() {
    QList<TCodeRow> rows = BuildRows(kItems, ParentByTwo);
    for (TCodeRow &row : rows) row.Extra = row.Code.startsWith(QLatin1String("04")) ? QStringLiteral("2") : QStringLiteral("1");
    return rows;
}

TCodeTable Table(const char *table, const char *code, const char *parent, const char *name, QList<TCodeRow> rows,
                 const char *extra = "", bool yearly = false) {
    return TCodeTable{QString::fromLatin1(table), QString::fromLatin1(code), QString::fromLatin1(parent),
                      QString::fromLatin1(name), QString::fromLatin1(extra), yearly, std::move(rows)};
}

}  // namespace

QList<int> DemoYears() { return {2009, 2010, 2011}; }

const QList<TCodeTable> &DemoCodeTables() {
    static const QList<TCodeTable> tables{
        Table("pubdept", "Eid", "peid", "EName", UnitRows(), "Class"),
        Table("pubagent", "AgntId", "PAgntId", "AName", BuildRows(kAgents, ParentByTwo)),
        Table("pubbudgetkind", "BKid", "PBKid", "BKName", BuildRows(kBudgetKinds, ParentByOne)),
        Table("pubdatakind", "DKid", "PDKid", "DKName", BuildRows(kDataKinds, ParentByOne)),
        Table("pubmoneykind", "Mid", "PMid", "MName", BuildRows(kFundNatures, ParentByOne)),
        Table("pubincomepay", "IPid", "PIPid", "IPName", BuildRows(kExpenditureTypes, ParentByOne)),
        Table("pubpaykind", "Pid", "PPid", "PName", BuildRows(kPayKinds, PayKindParent)),
        Table("pubsubject", "Bid", "PBid", "BName", BuildYearlyRows(kSubjects, SubjectParent), "datayear", true),
        Table("pubitem", "Iid", "PIid", "IName", ItemRows(), "IType"),
        Table("busibudgetbalance", "Iid", "PIid", "IName", BuildRows(kBalanceItems, ParentByTwo)),
        Table("pubeconomykind", "EKid", "PEKid", "EKName", BuildYearlyRows(kEconomyKinds, SubjectParent), "datayear",
              true),
        Table("pubbureaux", "BurId", "PBurId", "BurName", BuildRows(kBureaux, ParentByTwo)),
    };
    return tables;
}

const TCodeTable &DemoCodeTable(const QString &table) {
    for (const TCodeTable &t : DemoCodeTables())
        if (t.Table == table) return t;
    static const TCodeTable none;
    return none;
}

QList<TCodeRow> RowsOfYear(const TCodeTable &table, int year) {
    if (!table.Yearly) return table.Rows;
    QList<TCodeRow> rows;
    const QString y = QString::number(year);
    for (const TCodeRow &row : table.Rows)
        if (row.Extra == y) rows << row;
    return rows;
}
