#include "query/QueryGuide.h"

#include <QMessageBox>

QString QueryWindowGuide() {
    return QStringLiteral(
        "条件：在上方选择指标类型、资金性质、支付方式、支出类型、涉密标识和单位级次，输入或点选"
        "预算项目、预算科目和预算单位（双击编码框打开选择框）。\n"
        "分组：在“组合一”至“组合六”中依次选择汇总的分组；勾选“显示小计”在每组后加小计；"
        "“对比年度”加上另一年度的金额、增减额和增减率；“列维度”把另一维度的编码分列显示，"
        "每行右侧为合计（超过 30 个编码时其余归入“其他”），双击某列金额打开该行该编码的明细。\n"
        "刷新：F5 或 Ctrl+R 按条件汇总；查询中按 Esc 或“取消”停止，原来的报表保留。"
        "条件改变后报表下方提示“条件已改变，请刷新”。\n"
        "明细：双击结果行或小计行打开其明细；“图表”显示结果的条形图或饼图，点击条形打开该组明细。"
        "报表上单击右键可复制、查看该行明细或导出；单击金额、编码或名称的标题按该列排序（组内），再次单击反向。\n"
        "输出：预览、打印，导出为 .xls、.xlsx 或 .csv；预览中可选“适合页宽”。\n"
        "查询方案：保存当前条件，以后一次调出。\n"
        "快捷键：F5/Ctrl+R 刷新，Esc 取消查询，Ctrl+F 查找编码或名称，F3 查找下一个，Ctrl+C 复制，"
        "Ctrl+P 打印，Ctrl+F4 关闭窗口，F1 本说明。");
}

void ShowQueryGuide(QWidget *parent) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("使用说明"), QueryWindowGuide(), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("authpayGuide"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
