#include "info/windows/Form10.h"

#include "info/WebPages.h"

namespace pellix::info {

Form10::Form10(shell::AppContext& ctx)
    : WebPageWindow(ctx, QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄ紹介"),
                    QStringLiteral("ｵﾝﾗｲﾝｻﾎﾟｰﾄはｲﾝﾀｰﾈｯﾄへの接続が必要です"), kOnlineSupportPage,
                    1455) {}

}  // namespace pellix::info
