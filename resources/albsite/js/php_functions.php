
// Albumsmith Default, server side: index.php serves every folder of the
// album (?d=<folder id>), its slide show (?s=1&d=<folder id>) and the folder
// tree. The program writes the profile's settings above this library and the
// two page skeletons below it; the folder data is read at request time from
// what publishing uploads:
//   albsite/js/dir.js            the folders: "id<TAB>parent<TAB>name<TAB>path" lines
//   albsite/s/<folder>/sort.inf  the images in order (first line: the ordering)
//   albsite/s/<folder>/<image>.html, <image>.comment   Exif rows, comment
//   albsite/s/<folder>/var.inf   custom title and variable overrides
//   albsite/s/<folder>/Folder.html   the folder's own HTML, while it has one
//
// Nothing from the request is ever joined to a path: "d" only selects one
// of the folders the listing holds, and every other path comes from the
// listing and from sort.inf, whose names are checked as well.

// The directory of index.php. The magic constant for it is not used: the
// program replaces every name between double underscores in the assembled
// page by the profile variable of that name, and a variable named DIR would
// break the library.
define('ALB_ROOT', dirname(get_included_files()[0]) . '/');
define('ALB_NO_COMMENT', 'Enter your comment');

// With access security on, the folder files are uploaded in their guarded
// form (see guard.php): "<name>.php", the bytes behind a PHP prologue.
define('ALB_PROTECTED', !empty($bPass));
if (ALB_PROTECTED) require_once ALB_ROOT . 'albsite/js/guard.php';

// The content of a folder file (or of the listing) as published.
function albReadFile($path) {
    return ALB_PROTECTED ? albGuardRead($path . '.php') : @file_get_contents($path);
}

function albHasFile($path) {
    return is_file(ALB_PROTECTED ? $path . '.php' : $path);
}

// What an address to a folder file ends with.
function albFileSuffix() {
    return ALB_PROTECTED ? '.php' : '';
}

// One folder of the listing, or null for a line that does not hold one.
function albParseFolderLine($line) {
    $parts = explode("\t", rtrim($line, "\r\n"));
    if (count($parts) != 4) return null;
    list($id, $parent, $name, $path) = $parts;
    if (!preg_match('/^\d{1,9}$/', $id) || !preg_match('/^(-1|\d{1,9})$/', $parent)) return null;
    if ($path !== '.' && !albSafePath($path)) return null;
    return array('id' => (int)$id, 'parent' => (int)$parent, 'name' => $name, 'path' => $path === '.' ? '' : $path);
}

// A name of sort.inf or of the listing that may be joined to a directory.
function albSafeName($name) {
    return $name !== '' && $name !== '.' && $name !== '..' && strpos($name, '/') === false &&
           strpos($name, '\\') === false && !preg_match('/[\x00-\x1f\x7f]/', $name);
}

function albSafePath($path) {
    if ($path === '' || $path[0] === '/') return false;
    foreach (explode('/', $path) as $segment) {
        if (!albSafeName($segment)) return false;
    }
    return true;
}

// Every folder of the album by id, in tree order; the root is always there.
function albFolders() {
    static $folders = null;
    global $profile;
    if ($folders !== null) return $folders;
    $folders = array();
    $text = albReadFile(ALB_ROOT . 'albsite/js/dir.js');
    if ($text !== false) {
        foreach (explode("\n", $text) as $line) {
            $folder = albParseFolderLine($line);
            if ($folder !== null && !isset($folders[$folder['id']])) $folders[$folder['id']] = $folder;
        }
    }
    if (!isset($folders[0])) {
        $folders = array(0 => array('id' => 0, 'parent' => -1, 'name' => (string)$profile, 'path' => '')) + $folders;
    }
    $folders[0]['path'] = '';
    if (ALB_PROTECTED) {
        // A folder the visitor may not see is left out with everything below
        // it: neither its name nor its title reaches the page.
        foreach ($folders as $id => $folder) {
            if ($id != 0 && (!isset($folders[$folder['parent']]) || !albMaySee($folder['path']))) unset($folders[$id]);
        }
    }
    return $folders;
}

// The folder of the request: "d" when it is the id of a listed folder, else the root.
function getCurDir() {
    static $current = null;
    if ($current !== null) return $current;
    $current = 0;
    $d = isset($_GET['d']) && is_string($_GET['d']) ? $_GET['d'] : '';
    if (preg_match('/^\d{1,9}$/', $d)) {
        $folders = albFolders();
        if (isset($folders[(int)$d])) $current = (int)$d;
        // A folder that is not shown answers as forbidden, with the top
        // folder's page and its sign-in form.
        elseif (ALB_PROTECTED && !headers_sent()) http_response_code(403);
    }
    return $current;
}

function albFolder() {
    $folders = albFolders();
    return $folders[getCurDir()];
}

// Whether the content of the current folder may be shown. Only the top
// folder can be shown without it: its node heads the tree whatever its rights.
function albMaySeeCurrent() {
    return !ALB_PROTECTED || albMaySee(albFolder()['path']);
}

// "Trips/2004/" for the current folder, "" for the root.
function albFolderPath() {
    $folder = albFolder();
    return $folder['path'] === '' ? '' : $folder['path'] . '/';
}

function albThumbDir() {
    return ALB_ROOT . 'albsite/s/' . albFolderPath();
}

// Address form of a path: every segment percent-encoded.
function albUrlPath($path) {
    return implode('/', array_map('rawurlencode', explode('/', $path)));
}

// Text for HTML and for double-quoted JavaScript strings alike: no quote,
// backslash, angle bracket, raw ampersand or line break survives.
function albHtmlText($text) {
    $text = htmlspecialchars($text, ENT_QUOTES | ENT_SUBSTITUTE | ENT_HTML401, 'UTF-8');
    $text = str_replace('\\', '&#92;', $text);
    $text = preg_replace_callback('/[\x00-\x1f\x7f]/', function ($m) { return '&#' . ord($m[0]) . ';'; }, $text);
    return str_replace(array("\xE2\x80\xA8", "\xE2\x80\xA9"), array('&#8232;', '&#8233;'), $text);
}

// A JavaScript string literal that may stand inside a script element.
function albJs($text) {
    $json = json_encode((string)$text, JSON_HEX_TAG | JSON_HEX_APOS | JSON_HEX_QUOT | JSON_HEX_AMP |
                                      JSON_UNESCAPED_UNICODE | JSON_INVALID_UTF8_SUBSTITUTE);
    return $json === false ? '""' : $json;
}

function albLines($file) {
    $text = albReadFile($file);
    if ($text === false) return null;
    return explode("\n", str_replace("\r\n", "\n", $text));
}

// The date shown for an image, from the Date/Time row of its Exif rows
// ("2003:12:14 12:01:44" shows as "14-dec-03 12:01:44"); the file name
// without its extension when there is none. Also height * 1000 / width
// from the Resolution row that follows.
function albImageDate($rowsFile, $name, &$ratio) {
    static $months = array('???', 'jan', 'feb', 'mar', 'apr', 'may', 'jun', 'jul', 'aug', 'sep', 'oct', 'nov', 'dec');
    $ratio = 1000;
    $display = null;
    $lines = albLines($rowsFile);
    if ($lines === null) return '';
    $next = 0;
    foreach ($lines as $i => $line) {
        if (strpos($line, 'Date/Time') === false) continue;
        $next = $i + 1;
        $colon = strpos($line, ':');
        if ($colon !== false && preg_match('/\d.*$/', substr($line, $colon + 1), $m)) {
            $key = strstr($m[0] . '<', '<', true);
            if (preg_match('/^(\d+):(\d+):(\d+)[ \t]+([^ \t<]+)/', $key, $d)) {
                $month = (int)$d[2];
                if ($month < 0 || $month > 12) $month = 0;
                $display = sprintf('%02d-%s-%02d %s', (int)$d[3], $months[$month], ((int)$d[1]) % 100, $d[4]);
            }
        }
        break;
    }
    for ($i = $next; $i < count($lines); $i++) {
        if (strpos($lines[$i], 'Resolution') === false) continue;
        if (preg_match('/(\d+)[ \t]*x[ \t]*(\d+)/', $lines[$i], $r) && (int)$r[1] > 0) {
            $ratio = intdiv((int)$r[2] * 1000, (int)$r[1]);
        }
        break;
    }
    if ($display !== null) return $display;
    $dot = strrpos($name, '.');
    return $dot === false ? $name : substr($name, 0, $dot);
}

function albComment($file) {
    $lines = albLines($file);
    if ($lines === null) return '';
    $comment = $lines[0];
    return $comment === ALB_NO_COMMENT ? '' : $comment;
}

// The current folder's images in the order of sort.inf, each with its
// date, comment and ratio; only images whose thumbnail is on the server.
function albImages() {
    static $images = null;
    if ($images !== null) return $images;
    $images = array();
    // The top folder may be closed while folders below it are open.
    if (ALB_PROTECTED && !albMaySee(albFolder()['path'])) return $images;
    $dir = albThumbDir();
    $lines = albLines($dir . 'sort.inf');
    if ($lines === null) return $images;
    $seen = array();
    for ($i = 1; $i < count($lines); $i++) {
        $name = rtrim($lines[$i]);
        if (!albSafeName($name) || isset($seen[$name]) || !albHasFile($dir . $name)) continue;
        $seen[$name] = true;
        $ratio = 1000;
        $date = albImageDate($dir . $name . '.html', $name, $ratio);
        $images[] = array('name' => $name, 'date' => $date, 'ratio' => $ratio, 'comment' => albComment($dir . $name . '.comment'));
    }
    return $images;
}

function nbImages() {
    return count(albImages());
}

function getNbImages() {
    $n = nbImages();
    if ($n == 0) return '&nbsp;';
    return $n == 1 ? '1 Image' : $n . ' Images';
}

// var.inf of the current folder: TITLE and the variable overrides.
function albFolderVars() {
    static $vars = null;
    if ($vars !== null) return $vars;
    $vars = array();
    if (!albMaySeeCurrent()) return $vars;
    $lines = albLines(albThumbDir() . 'var.inf');
    if ($lines === null) return $vars;
    foreach ($lines as $line) {
        $eq = strpos($line, '=');
        if ($eq === false) continue;
        $name = substr($line, 0, $eq);
        if (!isset($vars[$name])) $vars[$name] = substr($line, $eq + 1);
    }
    return $vars;
}

// A variable's value for the current folder: its override, else the
// profile's default. Written as HTML, as on the static pages.
function getVar($name, $default) {
    $vars = albFolderVars();
    echo isset($vars[$name]) && $vars[$name] !== '' ? $vars[$name] : $default;
}

function getTitle() {
    global $profile;
    $vars = albFolderVars();
    if (isset($vars['TITLE']) && $vars['TITLE'] !== '') {
        $title = $vars['TITLE'];
    } elseif (getCurDir() == 0) {
        $title = (string)$profile;
    } else {
        $title = rtrim(str_replace('/', ' - ', albFolder()['path']), ' -');
    }
    return htmlspecialchars($title, ENT_QUOTES | ENT_SUBSTITUTE | ENT_HTML401, 'UTF-8');
}

function albHideScript($id) {
    return "<script type=\"text/javascript\">\n<!--\nhide('" . $id . "');\n// -->\n</script>";
}

// The sign-in box of a protected album: the form, or who is signed in
// with the way out. Without access security the box stays hidden.
function getLogin() {
    global $albLoginMessage;
    if (!ALB_PROTECTED) return albHideScript('login');
    $dir = getCurDir();
    $visitor = albVisitor();
    $out = albHideScript('login') . "\n<div class=\"login-box login-active\">";
    if ($visitor !== null) {
        $out .= '<span class="login-user">Signed in as ' . albHtmlText($visitor['name']) . '</span> ' .
                '<a class="login-out" href="index.php?logout=1">Sign out</a>';
    } else {
        $out .= '<form class="login-form" method="post" action="index.php?d=' . $dir . '">' .
                '<input type="hidden" name="token" value="' . albHtmlText(albLoginToken()) . '">' .
                '<label>User <input type="text" name="user" autocomplete="username" required></label> ' .
                '<label>Password <input type="password" name="password" autocomplete="current-password" required></label> ' .
                '<button type="submit">Sign in</button>';
        if (isset($albLoginMessage) && $albLoginMessage !== '')
            $out .= '<p class="login-error" role="alert">' . albHtmlText($albLoginMessage) . '</p>';
        $out .= '</form>';
    }
    return $out . '</div>';
}

// The token of the sign-in form: a form posted from another site has none.
function albLoginToken() {
    if (session_status() !== PHP_SESSION_ACTIVE) return '';
    if (!isset($_SESSION['alb_token']) || !is_string($_SESSION['alb_token']))
        $_SESSION['alb_token'] = bin2hex(random_bytes(16));
    return $_SESSION['alb_token'];
}

function albRedirect($target) {
    header('Location: ' . $target, true, 303);
    header('Cache-Control: no-store');
    exit;
}

// Sessions, sign-in and sign-out, before the page writes anything.
function albSignIn() {
    global $albVisitor, $albLoginMessage;
    $albVisitor = null;
    $albLoginMessage = '';
    albSessionOptions(basename(isset($_SERVER['SCRIPT_NAME']) ? (string)$_SERVER['SCRIPT_NAME'] : 'index.php'));
    if (!@session_start()) return;
    $d = isset($_GET['d']) && is_string($_GET['d']) && preg_match('/^\d{1,9}$/', $_GET['d']) ? $_GET['d'] : '0';

    if (isset($_GET['logout'])) {
        $_SESSION = array();
        session_regenerate_id(true);
        albRedirect('index.php');
    }
    if (isset($_SERVER['REQUEST_METHOD']) && $_SERVER['REQUEST_METHOD'] === 'POST' && isset($_POST['user'])) {
        $token = isset($_POST['token']) && is_string($_POST['token']) ? $_POST['token'] : '';
        $expected = isset($_SESSION['alb_token']) && is_string($_SESSION['alb_token']) ? $_SESSION['alb_token'] : '';
        $tokenOk = $expected !== '' && hash_equals($expected, $token);
        $found = $tokenOk ? albCheckPassword($_POST['user'], isset($_POST['password']) ? $_POST['password'] : '') : null;
        if ($found !== null) {
            // A new session id at sign-in: an id someone planted before is worth nothing.
            session_regenerate_id(true);
            $_SESSION = array('alb_user' => $found['name'], 'alb_site' => ALB_SITE_DIR,
                              'alb_check' => hash('sha256', $found['hash']));
            albRedirect('index.php?d=' . $d);
        }
        // Guessing costs time.
        sleep(1);
        $albLoginMessage = $tokenOk ? 'Wrong user name or password.' : 'The sign-in form had expired. Please try again.';
    }
    $albVisitor = albVisitorFromSession();
}

function getMenuFooter() {
    global $menu_footer;
    return isset($menu_footer) ? $menu_footer : '';
}

// The background publishing left in albsite/bg/ (it keeps only the chosen one).
function getBackground() {
    $names = @scandir(ALB_ROOT . 'albsite/bg/');
    if ($names === false) return '';
    foreach ($names as $name) {
        if (albSafeName($name) && preg_match('/\.jpe?g$/i', $name) && is_file(ALB_ROOT . 'albsite/bg/' . $name)) {
            return 'albsite/bg/' . rawurlencode($name);
        }
    }
    return '';
}

// The page script's image data, as the static pages carry it (no script tags).
function getImagesJS() {
    global $base, $thumb_per_line;
    $path = albFolderPath();
    $js = "var pre=\"albsite/m/\";\n";
    $js .= "var preinfo=\"albsite/s/\";\n";
    $js .= "var prefix=\"\";\n";
    $js .= "var photos=new Array();\nvar dates=new Array();\nvar comments=new Array();\nvar ratios=new Array();\n";
    $js .= 'var path=' . albJs($path === '' ? '' : albUrlPath(rtrim($path, '/')) . '/') . ";\n";
    $js .= 'var base=' . albJs(albUrlPath((string)$base)) . ";\n";
    $js .= 'var curDir=' . getCurDir() . ";\n";
    $js .= 'var guardSuffix=' . albJs(albFileSuffix()) . ";\n";
    // The way back from the slide show leads to the row of the image shown.
    $js .= 'var thumbPerLine=' . max(1, (int)$thumb_per_line) . ";\n";
    foreach (albImages() as $i => $image) {
        $js .= "photos[$i]=" . albJs(rawurlencode($image['name'])) . ";\n";
        $js .= "dates[$i]=\"" . albHtmlText($image['date']) . "\";\n";
        $js .= "comments[$i]=\"" . albHtmlText($image['comment']) . "\";\n";
        $js .= "ratios[$i]=\"" . (int)$image['ratio'] . "\";\n";
    }
    return $js;
}

// Included HTML must not bring its own document.
function albIncludedHtml($html) {
    return preg_match('/<(body|html)/i', $html) ? '' : $html;
}

function albThumbnailTable() {
    global $thumb_per_line;
    $images = albImages();
    if (!$images) return '';
    $perLine = max(1, (int)$thumb_per_line);
    $dir = getCurDir();
    $prefix = 'albsite/s/' . (albFolderPath() === '' ? '' : albUrlPath(rtrim(albFolderPath(), '/')) . '/');
    $out = "<div class=\"thb\"><table width=\"100%\">\n";
    $rows = array_chunk($images, $perLine, true);
    foreach ($rows as $r => $row) {
        $out .= "<tr>\n <th valign=bottom colspan=$perLine><a name=\"" . ($r + 1) . "\"></a><hr></th>\n</tr>\n<tr align=\"center\" valign=\"bottom\">\n";
        foreach ($row as $i => $image) {
            $out .= " <td><a href=\"?s=1&amp;d=$dir&amp;i=$i\"><img src=\"" . $prefix . rawurlencode($image['name']) . albFileSuffix() .
                    '" title="' . albHtmlText($image['comment']) . "\" alt=\"\"></a></td>\n";
        }
        $out .= "</tr>\n<tr>\n";
        foreach ($row as $image) $out .= ' <td align=center>' . albHtmlText($image['date']) . "</td>\n";
        $out .= "</tr>\n";
    }
    $out .= "<tr>\n <th valign=bottom colspan=$perLine><hr></th>\n</tr></table></div>\n";
    return $out;
}

// The folder's content: its own HTML, the root page by the root mode, or
// the thumbnail table.
function getImagesTab() {
    global $root_mode, $root_url;
    $html = albMaySeeCurrent() ? albReadFile(albThumbDir() . 'Folder.html') : false;
    if ($html !== false) return albIncludedHtml($html);
    if (!albMaySeeCurrent()) return '';
    $mode = getCurDir() == 0 ? (int)$root_mode : 0;
    $url = isset($root_url) ? (string)$root_url : '';
    switch ($mode) {
        case 0:
            $tab = albFolderCards() . albThumbnailTable();
            return $tab !== '' ? $tab : "<p class=\"empty-folder\">This folder holds no photos yet.</p>\n";
        case 1: return albIncludedHtml($url);
        case 2: return '<iframe class="root-frame" width="100%" border="0" src="' . albHtmlText($url) . '"></iframe>' . "\n";
        default: return '';
    }
}

// The sub-folders of the current folder as cards: the name, the thumbnail
// of the first photo in the folder's order and the number of photos.
function albFolderCards() {
    $cards = '';
    foreach (albFolders() as $folder) {
        if ($folder['id'] == 0 || $folder['parent'] != getCurDir()) continue;
        $dir = ALB_ROOT . 'albsite/s/' . $folder['path'] . '/';
        $names = array();
        $lines = albLines($dir . 'sort.inf');
        for ($i = 1; $lines !== null && $i < count($lines); $i++) {
            $name = rtrim($lines[$i]);
            if (albSafeName($name) && !in_array($name, $names, true) && is_file($dir . $name)) $names[] = $name;
        }
        $n = count($names);
        $cards .= ' <a class="folder-card" href="?d=' . $folder['id'] . '">';
        $cards .= $n > 0 ? '<img class="folder-cover" src="albsite/s/' . albUrlPath($folder['path']) . '/' .
                           rawurlencode($names[0]) . '" alt="">'
                         : '<span class="folder-cover folder-cover-empty"></span>';
        $cards .= '<span class="folder-name">' . albHtmlText($folder['name']) . '</span><span class="folder-count">' .
                  ($n == 0 ? 'No photos' : ($n == 1 ? '1 photo' : $n . ' photos')) . "</span></a>\n";
    }
    return $cards === '' ? '' : "<nav class=\"folder-cards\">\n" . $cards . "</nav>\n";
}

// The tree: the same widget and calls as on the static pages, with links
// back into this page.
function getTree() {
    $js = "<script type=\"text/javascript\">\n<!--\nvar path=\"\";\nvar ip=\"albsite/images/\";\nvar curDir=" . getCurDir() . ";\n";
    $js .= "d = new dTree('d');\n";
    foreach (albFolders() as $folder) {
        $js .= 'd.add(' . $folder['id'] . ',' . $folder['parent'] . ',' . ($folder['id'] == getCurDir() ? 1 : 0) . ',' .
               albJs($folder['name']) . ',' . albJs('?d=' . $folder['id']) . ");\n";
    }
    $js .= "document.write(d);\nd.openTo(curDir, true);\n// -->\n</script>";
    return $js;
}

function displayPage() {
    if (ALB_PROTECTED) {
        albSignIn();
        header('Cache-Control: private, no-store');
    }
    header('Content-Type: text/html; charset=utf-8');
    header('X-Content-Type-Options: nosniff');
    $slide = isset($_GET['s']) && $_GET['s'] === '1';
    if ($slide) displaySlide();
    else displayIndex();
}
