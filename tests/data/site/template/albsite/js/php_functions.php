function displayPage() { displayIndex(); }
$library_version = '__VERSION__';
