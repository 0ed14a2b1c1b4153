// page script fixture
