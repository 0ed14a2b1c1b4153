<?php
// Albumsmith Default, access control of a protected album.
//
// With access security on, publishing uploads every file of albsite/s and
// albsite/m (thumbnails, medium images, Exif rows, comments, sort.inf,
// var.inf, Folder.html) and the folder listing albsite/js/dir.js in a
// guarded form: the file's name gets ".php" and its bytes follow a one-line
// prologue
//
//   <?php require dirname(__DIR__, N) . '/js/guard.php'; albGuardServe(__FILE__, __COMPILER_HALT_OFFSET__); __halt_compiler();
//
// A request for such a file runs the prologue only: PHP stops reading at
// __halt_compiler(), so the bytes behind it are never parsed as code, and
// albGuardServe() sends them only to a visitor who may see the file's
// folder. Everyone else gets 403 and no byte of the file. This needs
// nothing but PHP from the server: no rewrite rules, no .htaccess.
//
// albsite/js/rights.php (written by the program) holds the administrator
// ($adm_user, $adm_pass), the users ($user: name => id, $grps: name =>
// group ids separated by spaces, $pass: name => password hash) and the
// folder rights ($rights: folder path => rights text). A rights text is
// "0" (everyone), "9999" (nobody but the administrator), or ids separated
// by commas: negative for a group, positive for a user. A folder without a
// text of its own takes its parent's; the top folder without one is closed.
// A folder is shown only when its ancestors are shown too, so that the path
// of a visible folder never names one the visitor may not see.
//
// index.php includes this file too (it reads the guarded files through
// albGuardRead()); the sign-in itself lives in the page library.

if (!defined('ALB_GUARD')) {
define('ALB_GUARD', 1);
define('ALB_SITE_DIR', dirname(__FILE__, 2) . '/');   // .../albsite/
define('ALB_GUARD_MARK', '__halt_compiler();');
define('ALB_SESSION', 'albumsmith');

// The bytes of a guarded file behind its prologue; false when the file is
// missing or not in the guarded form.
function albGuardRead($path) {
    $text = @file_get_contents($path);
    if ($text === false) return false;
    $at = strpos($text, ALB_GUARD_MARK);
    if ($at === false || substr($text, 0, 5) !== '<?php') return false;
    return (string)substr($text, $at + strlen(ALB_GUARD_MARK));
}

// The rights file, read once.
function albRights() {
    static $data = null;
    if ($data !== null) return $data;
    $adm_user = ''; $adm_pass = '';
    $user = array(); $grps = array(); $pass = array(); $rights = array();
    $file = ALB_SITE_DIR . 'js/rights.php';
    if (is_file($file)) include $file;
    $folders = array();
    // Folder paths are compared without regard to case, as the program does.
    foreach ((array)$rights as $key => $text) $folders[strtolower((string)$key)] = trim((string)$text);
    $data = array('adm_user' => (string)$adm_user, 'adm_pass' => (string)$adm_pass, 'user' => (array)$user,
                  'grps' => (array)$grps, 'pass' => (array)$pass, 'rights' => $folders);
    return $data;
}

// The rights text in force for a folder ("" or "." for the top folder,
// else "Trips/2004"), with inheritance.
function albEffectiveRights($folder) {
    $rights = albRights()['rights'];
    $key = ($folder === '' || $folder === '.') ? '.' : trim($folder, '/');
    while (true) {
        $lower = strtolower($key);
        if (isset($rights[$lower]) && $rights[$lower] !== '') return $rights[$lower];
        if ($key === '.') return '9999';
        $slash = strrpos($key, '/');
        $key = $slash === false ? '.' : substr($key, 0, $slash);
    }
}

// A stored hash the site accepts: empty or malformed ones never match.
function albHashUsable($hash) {
    return is_string($hash) && strlen($hash) >= 13;
}

// Checks a name and password against rights.php: the visitor record, or null.
function albCheckPassword($name, $password) {
    $r = albRights();
    if (!is_string($name) || !is_string($password) || $name === '') return null;
    if ($r['adm_user'] !== '' && hash_equals($r['adm_user'], $name) && albHashUsable($r['adm_pass']) &&
        password_verify($password, $r['adm_pass'])) {
        return array('name' => $name, 'admin' => true, 'hash' => $r['adm_pass']);
    }
    if (isset($r['user'][$name]) && isset($r['pass'][$name]) && albHashUsable($r['pass'][$name]) &&
        password_verify($password, (string)$r['pass'][$name])) {
        return array('name' => $name, 'admin' => false, 'hash' => (string)$r['pass'][$name]);
    }
    return null;
}

// The signed-in visitor as rights.php describes them now: null when nobody
// is signed in, or when the account went or its password changed since.
function albVisitorFromSession() {
    if (!isset($_SESSION['alb_user']) || !isset($_SESSION['alb_site']) || $_SESSION['alb_site'] !== ALB_SITE_DIR)
        return null;
    $name = (string)$_SESSION['alb_user'];
    $check = isset($_SESSION['alb_check']) ? (string)$_SESSION['alb_check'] : '';
    $r = albRights();
    if ($r['adm_user'] !== '' && $name === $r['adm_user'] && albHashUsable($r['adm_pass']) &&
        hash_equals(hash('sha256', $r['adm_pass']), $check)) {
        return array('name' => $name, 'admin' => true);
    }
    if (isset($r['user'][$name]) && isset($r['pass'][$name]) && hash_equals(hash('sha256', (string)$r['pass'][$name]), $check)) {
        $groups = array();
        $text = isset($r['grps'][$name]) ? (string)$r['grps'][$name] : '';
        foreach (preg_split('/[\s,]+/', trim($text)) as $g) {
            if (preg_match('/^\d{1,9}$/', $g)) $groups[] = (int)$g;
        }
        return array('name' => $name, 'admin' => false, 'id' => (int)$r['user'][$name], 'groups' => $groups);
    }
    return null;
}

function albVisitor() {
    global $albVisitor;
    return isset($albVisitor) ? $albVisitor : null;
}

// Whether the visitor may see the content of one folder by its own rights.
function albAllowed($folder) {
    $visitor = albVisitor();
    if ($visitor !== null && $visitor['admin']) return true;
    $pieces = explode(',', albEffectiveRights($folder));
    if (in_array('9999', $pieces, true)) return false;
    if (in_array('0', $pieces, true)) return true;
    if ($visitor === null) return false;
    foreach ($pieces as $piece) {
        if (!preg_match('/^-?\d{1,9}$/', $piece)) continue;
        $id = (int)$piece;
        if ($id > 0 && $id === $visitor['id']) return true;
        if ($id < 0 && in_array(-$id, $visitor['groups'], true)) return true;
    }
    return false;
}

// Whether the visitor may see a folder: its own right and that of every
// folder above it (the top folder excepted, whose name is the album's).
function albMaySee($folder) {
    $folder = trim($folder, '/');
    if ($folder === '' || $folder === '.') return albAllowed('.');
    $path = '';
    foreach (explode('/', $folder) as $segment) {
        $path = $path === '' ? $segment : $path . '/' . $segment;
        if (!albAllowed($path)) return false;
    }
    return true;
}

// The address of the album's folder ("/album/"), from the script's own
// address and its place below that folder.
function albSiteUrlPath($relative) {
    $script = isset($_SERVER['SCRIPT_NAME']) ? (string)$_SERVER['SCRIPT_NAME'] : '/';
    $base = substr($script, 0, max(0, strlen($script) - strlen($relative)));
    if ($base === '' || substr($base, -1) !== '/') $base .= '/';
    return $base;
}

function albSessionOptions($relative) {
    $secure = !empty($_SERVER['HTTPS']) && $_SERVER['HTTPS'] !== 'off';
    session_name(ALB_SESSION);
    session_set_cookie_params(array('lifetime' => 0, 'path' => albSiteUrlPath($relative), 'secure' => $secure,
                                    'httponly' => true, 'samesite' => 'Lax'));
    ini_set('session.use_strict_mode', '1');
    ini_set('session.use_only_cookies', '1');
    ini_set('session.use_trans_sid', '0');
}

function albDeny() {
    http_response_code(403);
    header('Content-Type: text/plain; charset=utf-8');
    header('Cache-Control: no-store');
    echo "Forbidden\n";
    exit;
}

function albGuardType($name) {
    $dot = strrpos($name, '.');
    $extension = $dot === false ? '' : strtolower(substr($name, $dot + 1));
    switch ($extension) {
        case 'jpg': case 'jpeg': case 'jpe': return 'image/jpeg';
        case 'html': case 'htm': return 'text/html; charset=utf-8';
        default: return 'text/plain; charset=utf-8';
    }
}

// The prologue's call: `file` is the guarded file, `offset` where its bytes start.
function albGuardServe($file, $offset) {
    global $albVisitor;
    $site = ALB_SITE_DIR;
    $real = realpath($file);
    $siteReal = realpath($site);
    if ($real === false || $siteReal === false || strpos($real, $siteReal . '/') !== 0) albDeny();
    $relative = substr($real, strlen($siteReal) + 1);             // s/Trips/IMG_1.jpg.php
    $parts = explode('/', $relative);
    $tree = array_shift($parts);
    $name = substr(array_pop($parts), 0, -4);                      // without ".php"
    $folder = implode('/', $parts);
    // The listing of the folders is for index.php alone.
    if ($tree !== 's' && $tree !== 'm') albDeny();

    $albVisitor = null;
    if (isset($_COOKIE[ALB_SESSION]) && is_string($_COOKIE[ALB_SESSION])) {
        albSessionOptions('albsite/' . $relative);
        if (@session_start(array('read_and_close' => true))) $albVisitor = albVisitorFromSession();
    }
    if (!albMaySee($folder)) albDeny();

    $handle = @fopen($file, 'rb');
    if ($handle === false || fseek($handle, (int)$offset) !== 0) albDeny();
    $size = filesize($file) - (int)$offset;
    header('Content-Type: ' . albGuardType($name));
    header('Content-Length: ' . max(0, $size));
    header('X-Content-Type-Options: nosniff');
    header('Cache-Control: private, max-age=0, must-revalidate');
    fpassthru($handle);
    fclose($handle);
    exit;
}
}
