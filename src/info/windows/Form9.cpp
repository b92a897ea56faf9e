#include "info/windows/Form9.h"

#include "info/WebPages.h"

namespace pellix::info {

Form9::Form9(shell::AppContext& ctx)
    : WebPageWindow(ctx, QStringLiteral("オンラインヘルプサイト紹介"),
                    QStringLiteral("ｵﾝﾗｲﾝﾍﾙﾌﾟはｲﾝﾀｰﾈｯﾄへの接続が必要です"), kOnlineHelpPage, 1500) {
}

}  // namespace pellix::info
