// The pop-up window object: construction, creation with its class, items and outline,
// texts, placement, and what the window and the object release when they go away.
#include "comet_window.h"

#include <new>

#include "paths.h"
#include "res/resource.h"

const wchar_t kCometPropertyName[] = L"CometClassPtr";

CometWindow cometWindow;

CometWindow::CometWindow()
    : hwnd(nullptr),
      items(nullptr),
      itemCount(0),
      arrowCursor(LoadCursorW(nullptr, IDC_ARROW)),
      handCursor(LoadCursorW(nullptr, IDC_HAND)),
      currentCursor(arrowCursor),
      appIcon(nullptr),
      skinDc(nullptr),
      canvasDc(nullptr),
      skinBitmap(nullptr),
      skinOldBitmap(nullptr),
      canvasBitmap(nullptr),
      canvasOldBitmap(nullptr),
      textFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))),
      boldFont(nullptr),
      titleColor(0),
      hoverIndex(-1),
      pressedIndex(-1),
      quitOnDestroy(0),
      closeAfterAction(1),
      trackingMouse(0),
      linkTarget()
{
    LOGFONTW bold = {};
    if (GetObjectW(textFont, sizeof bold, &bold) == sizeof bold) {
        bold.lfWeight = FW_BOLD;
        boldFont = CreateFontIndirectW(&bold);
    }
}

CometWindow::~CometWindow()
{
    releaseSkin();
    // The program ends right after this, but the object owns these and says so.
    if (boldFont)
        DeleteObject(boldFont);
    if (appIcon)
        DestroyIcon(appIcon);
}

void CometWindow::releaseSkin()
{
    if (!skinDc)
        return;
    SelectObject(skinDc, skinOldBitmap);
    if (skinBitmap)
        DeleteObject(skinBitmap);
    DeleteDC(skinDc);
    skinDc = nullptr;
    skinBitmap = nullptr;
    skinOldBitmap = nullptr;
}

int CometWindow::isAlive()
{
    if (!hwnd)
        return 0;
    if (!IsWindow(hwnd)) {
        hwnd = nullptr;
        return 0;
    }
    return 1;
}

void CometWindow::setItem(CometItem& item, int kind, int x, int y, int width, int height,
                          const wchar_t* text)
{
    item.kind = kind;
    joinTexts(item.text, kCometTextCapacity, text, L"");
    item.x = x;
    item.y = y;
    item.width = width;
    item.height = height;
    item.bounds = {x, y, x + width, y + height};
}

int CometWindow::create(const wchar_t* className, const wchar_t* title, int width, int height)
{
    if (isAlive())
        return 0;

    const HINSTANCE instance = GetModuleHandleW(nullptr);

    // The program's only icon group at the system's small-icon size: the very icon the shell
    // shows for the program, without the shell's slow start.
    if (!appIcon)
        appIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));

    // Looked up under the program's own instance: a class of the program is registered under
    // it, so a later window of the same class finds it instead of failing to register again.
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(instance, className, &existing)) {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        windowClass.hIconSm = appIcon;
        if (!RegisterClassExW(&windowClass))
            return 0;
    }

    const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, className, title,
                                        WS_POPUP | WS_SYSMENU, 0, 0, width, height, nullptr,
                                        nullptr, instance, nullptr);
    if (!window)
        return 0;

    // Without the array the window would be one that can neither draw nor be clicked.
    CometItem* newItems = new (std::nothrow) CometItem[kCometItemCount];
    if (!newItems) {
        DestroyWindow(window);
        return 0;
    }

    hwnd = window;
    SetPropW(hwnd, kCometPropertyName, this);

    items = newItems;
    itemCount = kCometItemCount;
    ItemPlace places[kCometItemCount];
    layoutItems(width, height, places);
    for (int i = 0; i < kCometItemCount; ++i)
        setItem(items[i], places[i].kind, places[i].x, places[i].y, places[i].width,
                places[i].height, L"");

    // The system owns the region once it is set.
    const HRGN outline = CreateRoundRectRgn(0, 0, width + 1, height + 1, 5, 5);
    if (outline && !SetWindowRgn(hwnd, outline, FALSE))
        DeleteObject(outline);
    return 1;
}

int CometWindow::setTexts(const wchar_t* message, const wchar_t* detail, const wchar_t* link)
{
    if (itemCount == 0)
        return 0;
    joinTexts(items[MessageText].text, kCometTextCapacity, message, L"");
    joinTexts(items[DetailText].text, kCometTextCapacity, detail, L"");
    joinTexts(linkTarget, kCometTextCapacity, link, L"");
    redraw();
    return 1;
}

void CometWindow::showAtCorner()
{
    RECT client = {};
    GetClientRect(hwnd, &client);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    // Moved and shown (and so activated, as SW_SHOW would) in one call: a move of the hidden
    // window on its own costs a round trip to the display server (some 5 ms of a 40 ms start
    // under Wine) before anything can be seen.
    SetWindowPos(hwnd, nullptr, work.right - client.right, work.bottom - client.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    UpdateWindow(hwnd);
}

void CometWindow::setQuitOnDestroy(int flag)
{
    quitOnDestroy = flag;
}

LRESULT CometWindow::onDestroy(UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = defaultProc(message, wParam, lParam);

    delete[] items;
    items = nullptr;
    itemCount = 0;
    pressedIndex = -1;
    hoverIndex = -1;

    if (canvasDc) {
        SelectObject(canvasDc, canvasOldBitmap);
        DeleteObject(canvasBitmap);
        DeleteDC(canvasDc);
        canvasBitmap = nullptr;
        canvasOldBitmap = nullptr;
        canvasDc = nullptr;
    }

    linkTarget[0] = L'\0';
    trackingMouse = 0;

    if (quitOnDestroy)
        PostQuitMessage(0);
    return result;
}
