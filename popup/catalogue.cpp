#include "catalogue.h"

#include "popup_title.h"

#include <cwchar>
#include <iterator>

namespace {

// Words and texts letter for letter as the service and the driver use them, typos included.
// The Chinese texts keep a blank between neighbouring characters.
const CatalogueRow kRows[] = {
    {L"usb", L"Please replug the USB", L"请 拔 插 USB 数 据 线", false},
    {L"disconnect", L"Printer disconnected", L"打 印 机 已 断 开", false},
    {L"connect", L"Printer connected", L"打 印 机 已 连 接", false},
    {L"addNewDev", L"Printer connected", L"打 印 机 已 连 接", false},
    {L"stopByHuman", L"Printer stopped", L"打 印 机 已 暂 停", false},
    {L"temper", L"Temperature too high", L"打 印 机 温 度 过 高", false},
    {L"cutter", L"Cutter is stucked", L"切 刀 被 卡 住 了", false},
    {L"carbon", L"Please check the carbon", L"请 检 查 碳 带", false},
    {L"busy", L"The printer is busy", L"打 印 机 忙", false},
    {L"adapter", L"Please check the adapter", L"请 检 查 适 配 器", false},
    {L"unlock", L"Please put the label box inside", L"请 放 入 标 签 盒", false},
    {L"lockopened", L"The cover opened", L"打 印 机 仓 盖 异 常", false},
    {L"labelmore", L"Paper no more", L"打 印 机 纸 张 不 足", false},
    {L"labelbox", L"Please check label box", L"请 检 查 标 签 盒", false},
    {L"labelunkown", L"Unkown label", L"标 签 类 型 不 识 别", false},
    {L"labelnone", L"Paper no more", L"打 印 机 无 标 签 纸", false},
    {L"continue", L"Print job resume", L"已 恢 复 打 印 作 业", false},
    {L"newconnect", L"Discover new printer", L"请 安 装 驱 动", true},
    {L"paper", L"Paper abnormal", L"纸 带 异 常", false},
    {L"labelerr", L"Label abnormal", L"标 签 异 常", false},
    {L"rfiderr", L"Write RFID error", L"RFID 写 入 失 败", false},
    {L"rfidInvalid", L"RFID content error", L"RFID 格 式 或 内 容 无 效", false},
    {L"rfidUnSupport", L"RFID unsupport", L"打 印 机 不 支 持 RFID", false},
    {L"socketSnErr", L"IP error", L"IP 错 误! 请 更 新 IP 地 址", false},
    {L"poweroff", L"Power low", L"打 印 机 电 量 不 足", false},
    {L"dpi", L"DPI mismatch", L"DPI 不 匹 配，请 安 装 对 应 驱 动", false},
    {L"antifake", L"Antifake error", L"防 伪 电 路 错 误", false},
    {L"netbusy", L"Network busy,please wait for a moment.", L"网 络 忙，请 稍 等...", false},
    {L"height", L"Template height too short", L"模 板 高 度 设 置 过 小", false},
    {L"unkown", L"Unkown error", L"打 印 机 异 常", false},
};

} // namespace

Language languageForCodePage(unsigned codePage)
{
    return codePage == kChineseCodePage ? Language::Chinese : Language::English;
}

int lookUpStatus(Language language, const wchar_t* statusWord, CatalogueMatch* match)
{
    for (const CatalogueRow& row : kRows) {
        if (std::wcscmp(row.word, statusWord) != 0)
            continue;
        match->text = language == Language::Chinese ? row.chinese : row.english;
        match->newPrinter = row.newPrinter;
        return 1;
    }
    return 0;
}

const CatalogueRow* catalogueRows(int* count)
{
    *count = static_cast<int>(std::size(kRows));
    return kRows;
}
